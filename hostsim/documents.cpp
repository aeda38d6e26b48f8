#include "hostsim/documents.h"

#include "hostsim/chat_room.h"
#include "hostsim/panels.h"
#include "hostsim/win_util.h"

namespace hostsim {
namespace {

LRESULT HandleDocumentMessage(HWND doc, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        // Documents are made through WM_MDICREATE, whose structure carries the room.
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        const auto* mdi = static_cast<const MDICREATESTRUCTA*>(create->lpCreateParams);
        SetWindowLongPtrA(doc, GWLP_USERDATA, mdi ? mdi->lParam : 0);
    }
    auto* room = reinterpret_cast<ChatRoom*>(GetWindowLongPtrA(doc, GWLP_USERDATA));
    if (!room) return DefMDIChildProcA(doc, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(doc, GWLP_USERDATA, 0);
        const LRESULT result = DefMDIChildProcA(doc, message, wparam, lparam);
        room->OnWindowGone();  // the room is deleted here
        return result;
    }
    if (const auto result = room->OnDocumentMessage(doc, message, wparam, lparam)) return *result;
    return DefMDIChildProcA(doc, message, wparam, lparam);
}

LRESULT CALLBACK DocumentProc(HWND doc, UINT message, WPARAM wparam, LPARAM lparam) {
    return Guarded([&] { return HandleDocumentMessage(doc, message, wparam, lparam); },
                   [&] { return DefMDIChildProcA(doc, message, wparam, lparam); });
}

RECT ClientArea(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    return area;
}

}  // namespace

bool RegisterDocumentClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DocumentProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kDocumentClass;
    return RegisterClassExA(&wc) != 0;
}

HWND CreateDocument(HWND mdi_client, const std::string& caption, const RECT& place, ChatRoom* room) {
    MDICREATESTRUCTA mdi{};
    mdi.szClass = kDocumentClass;
    mdi.szTitle = caption.c_str();
    mdi.hOwner = GetModuleHandleA(nullptr);
    mdi.x = place.left;
    mdi.y = place.top;
    mdi.cx = place.right - place.left;
    mdi.cy = place.bottom - place.top;
    mdi.style = WS_VISIBLE | WS_CLIPCHILDREN;
    mdi.lParam = reinterpret_cast<LPARAM>(room);
    return reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mdi)));
}

HWND CreateWelcomeWindow(HWND mdi_client, const std::string& caption, const RECT& place, HFONT font) {
    HWND doc = CreateDocument(mdi_client, caption, place, nullptr);
    if (!doc) return nullptr;
    const RECT area = ClientArea(doc);
    const bool ok =
        CreateChild(doc, {kStaticClass, "You are signed on.", 0, {8, 8, area.right - 8, 32}}, font) &&
        CreateChild(doc, {kIconClass, "Mail", kPanelCentered | kPanelRaised, {8, 40, 72, 64}}, font);
    return ok ? doc : nullptr;
}

HWND CreatePlainDocument(HWND mdi_client, unsigned number, const RECT& place, HFONT font) {
    HWND doc = CreateDocument(mdi_client, "Document " + std::to_string(number), place, nullptr);
    if (!doc) return nullptr;
    const RECT a = ClientArea(doc);
    const int row_top = a.bottom - 28;
    HWND text = CreateChild(doc,
                            {kRichTextClass,
                             "Not a chat room.",
                             ES_MULTILINE | ES_READONLY | WS_BORDER,
                             {4, 4, a.right - 70, row_top - 4}},
                            font);
    HWND list =
        CreateChild(doc, {kListboxClass, "", WS_BORDER, {a.right - 66, 4, a.right - 4, row_top - 4}}, font);
    HWND icon = CreateChild(
        doc, {kIconClass, "Open", kPanelCentered | kPanelRaised, {4, row_top, 64, a.bottom - 4}}, font);
    HWND combo = CreateChild(
        doc, {kComboboxClass, "", WS_CLIPCHILDREN, {70, row_top, a.right - 4, a.bottom - 4}}, font);
    // The label sits inside the combo box, one level too deep to make this a room.
    HWND label = combo ? CreateChild(combo, {kStaticClass, "Nested label", 0, {0, 0, a.right - 74, 24}}, font)
                       : nullptr;
    return text && list && icon && label ? doc : nullptr;
}

}  // namespace hostsim
