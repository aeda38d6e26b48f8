#include "platform/win32/accessible.h"

#include <objbase.h>
#include <oleacc.h>

#include <new>
#include <string>

#include "platform/win32/win32_text.h"

namespace pw {

namespace {

// oleacc, ole32 and oleaut32 are loaded the first time a screen reader asks: a run
// without one never maps them. Kept loaded.
struct OleCalls {
    decltype(&LresultFromObject) lresultFromObject = nullptr;
    decltype(&AccessibleObjectFromWindow) objectFromWindow = nullptr;
    decltype(&SysAllocStringLen) allocString = nullptr;
    decltype(&CoDisconnectObject) disconnect = nullptr;
};

template <typename F>
void Resolve(F& fn, const wchar_t* dll, const char* name) {
    HMODULE lib = LoadLibraryW(dll);
    // Through void(*)(): a direct cast from FARPROC trips -Wcast-function-type.
    if (lib) fn = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(lib, name)));
}

const OleCalls* Ole() {
    static const OleCalls calls = [] {
        OleCalls c;
        HMODULE ole32 = LoadLibraryW(L"ole32.dll");
        using InitFn = HRESULT(WINAPI*)(LPVOID, DWORD);
        InitFn init = nullptr;
        if (ole32)
            init = reinterpret_cast<InitFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoInitializeEx")));
        // The object is marshalled to the reader's process from this thread's apartment.
        if (init) init(nullptr, COINIT_APARTMENTTHREADED);
        Resolve(c.disconnect, L"ole32.dll", "CoDisconnectObject");
        Resolve(c.lresultFromObject, L"oleacc.dll", "LresultFromObject");
        Resolve(c.objectFromWindow, L"oleacc.dll", "AccessibleObjectFromWindow");
        Resolve(c.allocString, L"oleaut32.dll", "SysAllocStringLen");
        return c;
    }();
    return calls.lresultFromObject && calls.allocString ? &calls : nullptr;
}

HRESULT Text(const std::string& utf8, BSTR* out) {
    if (!out) return E_POINTER;
    const std::wstring wide = ToUtf16(utf8);
    *out = Ole()->allocString(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetI4(VARIANT* v, LONG value) {
    v->vt = VT_I4;
    v->lVal = value;
}

// No C++ exception may cross a COM boundary: running out of memory is E_OUTOFMEMORY,
// anything else E_FAIL. Every method that reaches the form's code or makes text
// runs its body through this.
template <typename F>
HRESULT Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT NoText(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
}

}  // namespace

// Child ids: 0 is the client area itself, 1..n the form's parts in order.
class FormAccessible final : public IAccessible {
  public:
    explicit FormAccessible(const AccessibleSite& site) : site_(site) {}
    void Disconnect() { site_.form = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!site_.form) return RPC_E_DISCONNECTED;
        if (!Ole()->objectFromWindow) return S_FALSE;
        return Ole()->objectFromWindow(site_.hwnd, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                       reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
        if (!n) return E_POINTER;
        if (!site_.form) return RPC_E_DISCONNECTED;
        *n = static_cast<LONG>(site_.form->Parts().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        return S_FALSE;  // the parts are simple elements of this object
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Guarded([&] {
            const Part* part = nullptr;
            if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
            if (part) return Text(part->Name(), out);
            wchar_t title[256];
            const int n = GetWindowTextW(site_.hwnd, title, 256);
            return Text(ToUtf8(std::wstring_view(title, static_cast<std::size_t>(n > 0 ? n : 0))), out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Nothing(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        LONG role = ROLE_SYSTEM_CLIENT;
        if (part) {
            switch (part->role) {
                case Role::PushButton:
                    role = ROLE_SYSTEM_PUSHBUTTON;
                    break;
                case Role::MenuButton:
                    role = ROLE_SYSTEM_BUTTONMENU;
                    break;
                case Role::StaticText:
                    role = ROLE_SYSTEM_STATICTEXT;
                    break;
            }
        }
        SetI4(out, role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        return Guarded([&] { return State(child, out); });
    }
    HRESULT State(const VARIANT& child, VARIANT* out) const {
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        LONG state = 0;
        if (!part) {
            state = STATE_SYSTEM_FOCUSABLE;
            if (!IsWindowVisible(site_.hwnd)) state |= STATE_SYSTEM_INVISIBLE;
            if (GetFocus() == site_.hwnd && !site_.focused()) state |= STATE_SYSTEM_FOCUSED;
        } else if (part->role == Role::StaticText) {
            state = STATE_SYSTEM_READONLY;
        } else if (part->Hidden()) {
            state = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE;
        } else if (!part->Clickable()) {
            state = STATE_SYSTEM_UNAVAILABLE;  // its pressed face shows
        } else {
            state = STATE_SYSTEM_FOCUSABLE;
            if (site_.focused() == part) state |= STATE_SYSTEM_FOCUSED;
        }
        if (part && part->role == Role::MenuButton) state |= STATE_SYSTEM_HASPOPUP;
        SetI4(out, state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Guarded([&] {
            const Part* part = nullptr;
            if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
            if (part && part->role == Role::MenuButton) return Text("Shift+F10", out);
            return NoText(out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!site_.form) return RPC_E_DISCONNECTED;
        if (GetFocus() != site_.hwnd) return S_FALSE;
        return Guarded([&] {
            const Part* focused = site_.focused();
            SetI4(out, focused ? IdOf(*focused) : CHILDID_SELF);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Guarded([&] {
            const Part* part = nullptr;
            if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
            if (!part || part->role == Role::StaticText) return NoText(out);
            return Text(part->role == Role::MenuButton ? "Open" : "Press", out);
        });
    }
    // Only the focus can be taken; nothing here can be selected.
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return Guarded([&] {
            const Part* part = nullptr;
            if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
            constexpr LONG kChanges =
                SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION | SELFLAG_EXTENDSELECTION;
            if ((flags & ~SELFLAG_VALID) ||
                ((flags & SELFLAG_ADDSELECTION) && (flags & SELFLAG_REMOVESELECTION)) ||
                ((flags & SELFLAG_TAKESELECTION) && (flags & kChanges)))
                return E_INVALIDARG;
            if ((flags & SELFLAG_TAKEFOCUS) && !site_.takeFocus(part)) return S_FALSE;
            return flags & (SELFLAG_TAKESELECTION | kChanges) ? S_FALSE : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT child) override {
        if (!x || !y || !w || !h) return E_POINTER;
        *x = *y = *w = *h = 0;
        return Guarded([&] { return Location(x, y, w, h, child); });
    }
    HRESULT Location(LONG* x, LONG* y, LONG* w, LONG* h, const VARIANT& child) const {
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        RECT r{};
        if (!part)
            GetClientRect(site_.hwnd, &r);
        else if (const Control* shown = ShownControl(*part))
            r = site_.clientRect(*shown);
        else
            return S_FALSE;
        MapWindowPoints(site_.hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *x = r.left, *y = r.top, *w = r.right - r.left, *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT from, VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        const Part* part = nullptr;
        if (HRESULT hr = Find(from, &part); FAILED(hr)) return hr;
        const LONG count = static_cast<LONG>(site_.form->Parts().size());
        LONG to = 0;
        if (!part && dir == NAVDIR_FIRSTCHILD)
            to = 1;
        else if (!part && dir == NAVDIR_LASTCHILD)
            to = count;
        else if (part && (dir == NAVDIR_NEXT || dir == NAVDIR_DOWN))
            to = IdOf(*part) + 1;
        else if (part && (dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP))
            to = IdOf(*part) - 1;
        else
            return part ? S_FALSE : E_NOTIMPL;
        if (to < 1 || to > count) return S_FALSE;
        SetI4(out, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        return Guarded([&] { return HitTest(x, y, out); });
    }
    HRESULT HitTest(LONG x, LONG y, VARIANT* out) const {
        if (!site_.form) return RPC_E_DISCONNECTED;
        POINT pt{x, y};
        ScreenToClient(site_.hwnd, &pt);
        RECT client{};
        GetClientRect(site_.hwnd, &client);
        if (!PtInRect(&client, pt)) return S_FALSE;
        for (const Part& part : site_.form->Parts()) {
            const Control* shown = ShownControl(part);
            if (!shown) continue;
            const RECT r = site_.clientRect(*shown);
            if (PtInRect(&r, pt)) {
                SetI4(out, IdOf(part));
                return S_OK;
            }
        }
        SetI4(out, CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        if (!part || part->role == Role::StaticText || !part->Clickable()) return DISP_E_MEMBERNOTFOUND;
        // The click may run a modal loop or end the program: never inside the reader's call.
        return PostMessageW(site_.hwnd, kPressPartMessage, static_cast<WPARAM>(IdOf(*part) - 1), 0) ? S_OK
                                                                                                    : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~FormAccessible() = default;

    // The part a child id names (nullptr for the client area itself).
    HRESULT Find(const VARIANT& child, const Part** part) const {
        if (!site_.form) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) {
            *part = nullptr;
            return S_OK;
        }
        const auto& parts = site_.form->Parts();
        if (child.lVal < 1 || child.lVal > static_cast<LONG>(parts.size())) return E_INVALIDARG;
        *part = &parts[static_cast<std::size_t>(child.lVal - 1)];
        return S_OK;
    }
    HRESULT Nothing(const VARIANT& child, BSTR* out) const {
        const Part* part = nullptr;
        if (HRESULT hr = Find(child, &part); FAILED(hr)) return hr;
        return NoText(out);
    }
    LONG IdOf(const Part& part) const { return static_cast<LONG>(&part - site_.form->Parts().data()) + 1; }
    // Where the part shows now: its face, or the picture standing in for it.
    static const Control* ShownControl(const Part& part) {
        if (part.face && part.face->Shown()) return part.face;
        if (part.pressedFace && part.pressedFace->Shown()) return part.pressedFace;
        return nullptr;
    }

    AccessibleSite site_;
    LONG refs_ = 1;
};

AccessibleServer::~AccessibleServer() {
    if (!object_) return;
    object_->Disconnect();
    if (Ole()->disconnect) Ole()->disconnect(object_, 0);
    object_->Release();
}

LRESULT AccessibleServer::Answer(WPARAM wp) {
    if (!site_.form || site_.form->Parts().empty() || !Ole()) return 0;
    if (!object_) object_ = new (std::nothrow) FormAccessible(site_);
    return object_ ? Ole()->lresultFromObject(__uuidof(IAccessible), wp, object_) : 0;
}

}  // namespace pw
