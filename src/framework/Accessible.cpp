#include "Accessible.h"

#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>

namespace {

// Written out rather than taken from a library: nothing here links against oleacc, ole32 or
// oleaut32, which are loaded with the first accessibility request.
const GUID kIidUnknown = { 0x00000000, 0x0000, 0x0000, { 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const GUID kIidDispatch = { 0x00020400, 0x0000, 0x0000, { 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const GUID kIidAccessible = { 0x618736e0, 0x3c3d, 0x11cf, { 0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 } };
const GUID kIidAccPropServices = { 0x6e26e776, 0x04f0, 0x495d, { 0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69 } };
const GUID kClsidAccPropServices = { 0xb5f8350b, 0x0548, 0x48b1, { 0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7 } };
const GUID kNameProperty = { 0x608d3df8, 0x8128, 0x4aa7, { 0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91 } };
const GUID kLiveSettingProperty = { 0xc12bcd8e, 0x2a8e, 0x4950, { 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb } };
const LONG kLivePolite = 1;
// EVENT_OBJECT_LIVEREGIONCHANGED, which older SDK headers do not define.
const DWORD kLiveRegionChanged = 0x8019;
const UINT_PTR kSubclassId = 0x4D41; // any constant: one annotation per control

// What has been said about one control; it lives as long as the control's window.
struct Annotation
{
    std::wstring name;
    bool live = false;
    bool asked = false;          // an accessibility request has come: the DLLs are loaded
    bool nameAnnotated = false;  // the system holds the name and answers with it
    bool liveAnnotated = false;
};

// The functions of the accessibility DLLs, loaded once by their full System32 paths (a DLL
// beside the program must never be taken), and the system's annotation service where it
// exists.
struct AccessibilityDlls
{
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::SysAllocString) sysAllocString = nullptr;
    IAccPropServices* services = nullptr;

    static AccessibilityDlls& Get()
    {
        static AccessibilityDlls dlls;
        return dlls;
    }

private:
    AccessibilityDlls()
    {
        const HMODULE oleacc = LoadSystemDll(L"oleacc.dll");
        const HMODULE ole32 = LoadSystemDll(L"ole32.dll");
        const HMODULE oleaut32 = LoadSystemDll(L"oleaut32.dll");
        Find(oleacc, "CreateStdAccessibleObject", createStdAccessibleObject);
        Find(oleacc, "LresultFromObject", lresultFromObject);
        Find(oleaut32, "SysAllocString", sysAllocString);

        decltype(&::CoInitializeEx) coInitializeEx = nullptr;
        decltype(&::CoCreateInstance) coCreateInstance = nullptr;
        Find(ole32, "CoInitializeEx", coInitializeEx);
        Find(ole32, "CoCreateInstance", coCreateInstance);
        if (coInitializeEx == nullptr || coCreateInstance == nullptr)
            return;
        // COM stays initialised on the window's thread until the process ends: the service
        // is used for as long as any window is open.
        const HRESULT initialised = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(initialised) && initialised != RPC_E_CHANGED_MODE)
            return;
        void* found = nullptr;
        if (SUCCEEDED(coCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidAccPropServices, &found)))
            services = static_cast<IAccPropServices*>(found);
    }

    static HMODULE LoadSystemDll(const wchar_t* name)
    {
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 1 + lstrlenW(name) >= MAX_PATH)
            return nullptr;
        path[length] = L'\\';
        lstrcpyW(path + length + 1, name);
        return ::LoadLibraryW(path);
    }

    template <typename Function>
    static void Find(HMODULE dll, const char* name, Function& function)
    {
        const FARPROC found = dll != nullptr ? ::GetProcAddress(dll, name) : nullptr;
        function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
    }
};

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

LRESULT CALLBACK AnnotatedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData);

// Kept as a window property too, where the accessible object finds it (the subclass's own
// data cannot be asked for by name with every version of comctl32).
const wchar_t kAnnotationProperty[] = L"Morvex.Annotation";

Annotation* AnnotationOf(HWND control)
{
    return control != nullptr ? static_cast<Annotation*>(GetPropW(control, kAnnotationProperty)) : nullptr;
}

// The system's own object for a control with our name in place of the system's. Everything
// else (role, state, value, children, location, actions) is the system object's.
class NamedAccessible final : public IAccessible
{
public:
    NamedAccessible(HWND control, IAccessible* standard) : control(control), standard(standard) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, kIidUnknown) || IsEqualIID(iid, kIidDispatch) || IsEqualIID(iid, kIidAccessible))
        {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The rest (the children's enumeration, the window behind the object) is the system's.
        return standard->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override
    {
        return standard->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
    }

    // IAccessible: the name of the control itself is ours, read when asked, so that it
    // follows the state and the language.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        const Annotation* annotation = AnnotationOf(control);
        const AccessibilityDlls& dlls = AccessibilityDlls::Get();
        if (!IsSelf(child) || annotation == nullptr || annotation->name.empty() || dlls.sysAllocString == nullptr)
            return standard->get_accName(child, name);
        if (name == nullptr)
            return E_POINTER;
        *name = dlls.sysAllocString(annotation->name.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard->put_accValue(child, value);
    }

private:
    ~NamedAccessible() { standard->Release(); }

    LONG references = 1;
    HWND control;
    IAccessible* standard;
};

// Gives the system the name and the live setting as annotations, where it takes them.
void Annotate(HWND control, Annotation& annotation)
{
    IAccPropServices* services = AccessibilityDlls::Get().services;
    if (services == nullptr)
        return;
    if (!annotation.name.empty())
    {
        annotation.nameAnnotated = services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                            kNameProperty, annotation.name.c_str()) == S_OK;
    }
    else if (annotation.nameAnnotated)
    {
        services->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kNameProperty, 1);
        annotation.nameAnnotated = false;
    }
    if (annotation.live && !annotation.liveAnnotated)
    {
        VARIANT polite;
        polite.vt = VT_I4;
        polite.lVal = kLivePolite;
        annotation.liveAnnotated = services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                         kLiveSettingProperty, polite) == S_OK;
    }
}

// The system's object for the control, named by us; 0 (the system answers) where it cannot
// be made.
LRESULT AnswerWithName(HWND control, WPARAM wParam)
{
    const AccessibilityDlls& dlls = AccessibilityDlls::Get();
    if (dlls.createStdAccessibleObject == nullptr || dlls.lresultFromObject == nullptr)
        return 0;
    void* standard = nullptr;
    if (FAILED(dlls.createStdAccessibleObject(control, OBJID_CLIENT, kIidAccessible, &standard)) || standard == nullptr)
        return 0;
    NamedAccessible* named = new NamedAccessible(control, static_cast<IAccessible*>(standard));
    const LRESULT result = dlls.lresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(named));
    named->Release();
    return FAILED(static_cast<HRESULT>(result)) ? 0 : result;
}

LRESULT CALLBACK AnnotatedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData)
{
    Annotation* annotation = reinterpret_cast<Annotation*>(refData);
    if (message == WM_GETOBJECT)
    {
        if (!annotation->asked)
        {
            annotation->asked = true;
            Annotate(window, *annotation);
        }
        // The object id is a 32-bit value, whatever the width of lParam.
        const LONG objectId = static_cast<LONG>(static_cast<DWORD>(lParam));
        if (objectId == OBJID_CLIENT && !annotation->name.empty() && !annotation->nameAnnotated)
        {
            if (const LRESULT answer = AnswerWithName(window, wParam))
                return answer;
        }
    }
    else if (message == WM_NCDESTROY)
    {
        if (annotation->nameAnnotated || annotation->liveAnnotated)
        {
            const MSAAPROPID properties[] = { kNameProperty, kLiveSettingProperty };
            AccessibilityDlls::Get().services->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                              properties, 2);
        }
        RemoveWindowSubclass(window, &AnnotatedProc, kSubclassId);
        RemovePropW(window, kAnnotationProperty);
        delete annotation;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The control's annotation, made on first use.
Annotation* Annotated(HWND control)
{
    if (control == nullptr || !IsWindow(control))
        return nullptr;
    if (Annotation* existing = AnnotationOf(control))
        return existing;
    Annotation* annotation = new Annotation;
    if (!SetPropW(control, kAnnotationProperty, annotation))
    {
        delete annotation;
        return nullptr;
    }
    if (!SetWindowSubclass(control, &AnnotatedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(annotation)))
    {
        RemovePropW(control, kAnnotationProperty);
        delete annotation;
        return nullptr;
    }
    return annotation;
}

} // namespace

void SetAccessibleName(HWND control, const std::wstring& name)
{
    Annotation* annotation = name.empty() ? AnnotationOf(control) : Annotated(control);
    if (annotation == nullptr || annotation->name == name)
        return;
    annotation->name = name;
    if (annotation->asked)
        Annotate(control, *annotation);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void MarkLiveRegion(HWND control)
{
    Annotation* annotation = Annotated(control);
    if (annotation == nullptr || annotation->live)
        return;
    annotation->live = true;
    if (annotation->asked)
        Annotate(control, *annotation);
}

void AnnounceLiveRegion(HWND control)
{
    if (control != nullptr)
        NotifyWinEvent(kLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
}

std::wstring WithoutAccessKeys(const std::wstring& text)
{
    std::wstring plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'&')
        {
            if (i + 1 >= text.size())
                break;
            ++i; // "&&" keeps one ampersand; "&x" keeps the x
        }
        plain += text[i];
    }
    return plain;
}
