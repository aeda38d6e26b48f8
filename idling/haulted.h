// What pellowick tells the user goes into a message box titled "Haulted!": the title
// users have always seen, spelling and all, on purpose.
#pragma once

#include <string>

#include "platform/forms.h"

namespace pw {

inline void ShowHaulted(Form& owner, const std::string& text, int icon = kMbIconStop) {
    owner.platform.ShowMessageBox(&owner, text, "Haulted!", kMbOk | icon);
}

}  // namespace pw
