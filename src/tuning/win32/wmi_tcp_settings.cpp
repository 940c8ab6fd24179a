#include "tuning/win32/wmi_tcp_settings.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/error.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"
#include "tuning/win32/ip_interfaces.h"

namespace tarvex {
namespace {

// What Windows documents of the NetTCPIP provider's classes (MSFT_NetTCPSetting,
// MSFT_NetOffloadGlobalSetting, MSFT_NetIPInterface) and of their cmdlets, as this adapter relies
// on it:
// - Windows 2012 and earlier let only the custom templates be changed, 2016 and later all; so
//   the program writes InternetCustom everywhere and reads the same template back.
// - AutomaticUseCustom (uint8, 1 Enabled) says whether the Automatic template hands out the
//   custom templates (InternetCustom, DatacenterCustom) instead of the built-in ones. The docs
//   name no particular instance for it and allow writes only to custom templates before 2016,
//   so it is set on InternetCustom itself, the instance written anyway. Windows 10 client
//   editions (and 11, which shares their rules) document it as read-only, like the
//   CongestionProvider, so there it is left alone.
// - The built-in template Internet holds Windows' own values: a setting's default is copied
//   from there. Receive-side scaling and segment coalescing are documented as enabled by
//   default.
// - Integer properties travel as Automation types: uint8 as VT_UI1, uint16 and uint32 as VT_I4
//   ("Numbers", WMI's MOF reference).
// - An IP interface exists once per policy store (its Store: 0 persistent, 1 active). What is
//   queried without a store is the active one, which takes effect at once but is gone after a
//   restart; the persistent one is copied into the active store at start-up. So an MTU is
//   written to both. The cmdlets pick the store with -PolicyStore, which reaches the provider
//   as the operation's context value PolicyStore = "PersistentStore"; the query asks for
//   Store=0 as well, so that a provider ignoring the context finds nothing rather than the
//   active instance a second time.
constexpr wchar_t kNamespace[] = L"root\\StandardCimv2";
constexpr char kCustomTemplateQuery[] = "SELECT * FROM MSFT_NetTCPSetting WHERE SettingName='InternetCustom'";
constexpr char kBuiltInTemplateQuery[] = "SELECT * FROM MSFT_NetTCPSetting WHERE SettingName='Internet'";
constexpr char kOffloadQuery[] = "SELECT * FROM MSFT_NetOffloadGlobalSetting";
constexpr wchar_t kUseCustom[] = L"AutomaticUseCustom";
constexpr wchar_t kMtuProperty[] = L"NlMtu";
constexpr int kOffloadDefault = 1;  // Enabled

enum class CimInteger : std::uint8_t { Uint8, Uint32 };

struct WmiProperty {
    ModernSettingId Id;
    const wchar_t* Name;
    CimInteger Type;
    bool Offload;  // in MSFT_NetOffloadGlobalSetting rather than the TCP template
};
constexpr WmiProperty kProperties[] = {
    {ModernSettingId::AutoTuningLevel, L"AutoTuningLevelLocal", CimInteger::Uint8, false},
    {ModernSettingId::CongestionProvider, L"CongestionProvider", CimInteger::Uint8, false},
    {ModernSettingId::EcnCapability, L"EcnCapability", CimInteger::Uint8, false},
    {ModernSettingId::Timestamps, L"Timestamps", CimInteger::Uint8, false},
    {ModernSettingId::ReceiveSideScaling, L"ReceiveSideScaling", CimInteger::Uint8, true},
    {ModernSettingId::ReceiveSegmentCoalescing, L"ReceiveSegmentCoalescing", CimInteger::Uint8, true},
    {ModernSettingId::InitialRto, L"InitialRto", CimInteger::Uint32, false},
};
static_assert(std::size(kProperties) == kModernSettingCount);

const WmiProperty& PropertyOf(ModernSettingId id) {
    return kProperties[static_cast<int>(id)];
}

// Where a property lives: its query and its name in messages.
struct WmiTarget {
    const char* Query;
    const char* Name;
};
constexpr WmiTarget kCustomTemplate{kCustomTemplateQuery, "TCP template InternetCustom"};
constexpr WmiTarget kOffload{kOffloadQuery, "global offload settings"};

// Client editions of Windows 10 and 11 document AutomaticUseCustom and CongestionProvider as
// read-only.
bool IsClientOf10OrLater(const ModernSystem& system) {
    return !system.Server && system.Stack >= ModernStack::Win10;
}

// The functions of ole32 and oleaut32 beyond LoadComApi's, looked up in the DLLs it loaded.
struct OleFunctions {
    decltype(&CoSetProxyBlanket) SetProxyBlanket = nullptr;
    decltype(&VariantClear) ClearVariant = nullptr;
    decltype(&GetErrorInfo) TakeErrorInfo = nullptr;
    decltype(&SetErrorInfo) PutErrorInfo = nullptr;
};

const ComApi& Com() {
    const ComApi* api = LoadComApi();
    if (!api) throw Error("The TCP settings of this Windows cannot be reached through WMI: COM is not available.");
    return *api;
}

const OleFunctions& Ole() {
    static const std::optional<OleFunctions> functions = []() -> std::optional<OleFunctions> {
        if (!LoadComApi()) return std::nullopt;
        OleFunctions f;
        f.SetProxyBlanket = LoadedSystemFunction<decltype(f.SetProxyBlanket)>(L"ole32.dll", "CoSetProxyBlanket");
        f.ClearVariant = LoadedSystemFunction<decltype(f.ClearVariant)>(L"oleaut32.dll", "VariantClear");
        f.TakeErrorInfo = LoadedSystemFunction<decltype(f.TakeErrorInfo)>(L"oleaut32.dll", "GetErrorInfo");
        f.PutErrorInfo = LoadedSystemFunction<decltype(f.PutErrorInfo)>(L"oleaut32.dll", "SetErrorInfo");
        if (!f.SetProxyBlanket || !f.ClearVariant || !f.TakeErrorInfo || !f.PutErrorInfo) return std::nullopt;
        return f;
    }();
    if (!functions)
        throw Error("The TCP settings of this Windows cannot be reached through WMI: COM is not available.");
    return *functions;
}

// A VARIANT cleared with its owner.
class Variant {
public:
    Variant() = default;
    ~Variant() {
        if (value_.vt != VT_EMPTY) Ole().ClearVariant(&value_);
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Out() {
        Ole().ClearVariant(&value_);
        return &value_;
    }
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_{};  // VT_EMPTY
};

std::string BstrText(BSTR text) {
    return text ? WideToUtf8(std::wstring_view(text, std::wcslen(text))) : std::string();
}

std::string TrimmedLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

// The reason WMI attached to the calling thread's last failure: its error object's Description
// (__ExtendedStatus) or Message (the providers' MSFT_WmiError), else the COM error's own text.
std::string TakeErrorReason() {
    IErrorInfo* raw = nullptr;
    if (Ole().TakeErrorInfo(0, &raw) != S_OK || !raw) return {};
    const ComPtr<IErrorInfo> info(raw);
    IWbemClassObject* status = nullptr;
    if (SUCCEEDED(info->QueryInterface(__uuidof(IWbemClassObject), reinterpret_cast<void**>(&status)))) {
        const ComPtr<IWbemClassObject> owned(status);
        for (const wchar_t* name : {L"Description", L"Message"}) {
            Variant text;
            if (SUCCEEDED(owned->Get(name, 0, text.Out(), nullptr, nullptr)) && text.get().vt == VT_BSTR) {
                std::string reason = TrimmedLine(BstrText(text.get().bstrVal));
                if (!reason.empty()) return reason;
            }
        }
    }
    Bstr description(Com());
    if (SUCCEEDED(info->GetDescription(description.Out()))) return TrimmedLine(BstrText(description.get()));
    return {};
}

// Drops a reason left from an earlier call, so that a failure reports only its own.
void ForgetErrorReason() {
    Ole().PutErrorInfo(0, nullptr);
}

// "error 0x8004100E" and the platform's words for it, where it has some.
std::string DescribeFailure(HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    std::string reason = TakeErrorReason();
    if (reason.empty()) reason = SystemErrorText(static_cast<DWORD>(result));
    std::string text = std::string("error ") + code;
    if (!reason.empty()) text += " (" + reason + ")";
    return text;
}

[[noreturn]] void ThrowUnreachable(HRESULT result) {
    throw Error("The TCP settings of this Windows cannot be reached through WMI (root\\StandardCimv2): " +
                DescribeFailure(result) + ".");
}

// Connection to the WMI service for one operation; this thread is in a COM apartment until the
// services (and everything taken from them, released first) are gone.
class Session {
public:
    explicit Session(const WmiConnect& connect) : apartment_(Com()) {
        if (!apartment_.Joined())
            throw Error("The TCP settings of this Windows cannot be reached through WMI: this thread cannot use COM.");
        services_ = connect();
        if (!services_) ThrowUnreachable(E_POINTER);
    }
    IWbemServices& Services() const { return *services_; }

private:
    ComApartment apartment_;
    ComPtr<IWbemServices> services_;
};

void SetCallSecurity(IUnknown* proxy) {
    // Identify-level impersonation, the default, is not enough for WMI's providers.
    const HRESULT result =
        Ole().SetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    (void)result;  // an object in this process has no proxy to set (E_NOINTERFACE)
}

// The first instance a query returns; null when it returns none. `what` names it in errors.
ComPtr<IWbemClassObject> FirstInstance(IWbemServices& services, const std::string& query, IWbemContext* context,
                                       const std::string& what) {
    const Bstr language(Com(), "WQL");
    const Bstr text(Com(), query);
    if (!language || !text) throw Error("Windows could not read " + what + " through WMI: out of memory.");
    ForgetErrorReason();
    IEnumWbemClassObject* rawEnum = nullptr;
    HRESULT result = services.ExecQuery(language.get(), text.get(),
                                        WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, context, &rawEnum);
    if (FAILED(result) || !rawEnum)
        throw Error("Windows could not read " + what + " through WMI: " + DescribeFailure(result) + ".");
    const ComPtr<IEnumWbemClassObject> found(rawEnum);
    SetCallSecurity(found.get());
    IWbemClassObject* raw = nullptr;
    ULONG count = 0;
    ForgetErrorReason();
    result = found->Next(static_cast<long>(WBEM_INFINITE), 1, &raw, &count);
    if (FAILED(result))
        throw Error("Windows could not read " + what + " through WMI: " + DescribeFailure(result) + ".");
    ComPtr<IWbemClassObject> instance(count == 1 ? raw : nullptr);
    return instance;
}

// A property's number; nothing when it is null, missing or no integer.
std::optional<std::int64_t> ReadInteger(IWbemClassObject& object, const wchar_t* name, CimInteger type) {
    Variant value;
    if (FAILED(object.Get(name, 0, value.Out(), nullptr, nullptr))) return std::nullopt;
    const VARIANT& v = value.get();
    switch (v.vt) {
        case VT_UI1:
            return v.bVal;
        case VT_I1:
            return v.cVal;
        case VT_I2:
            return v.iVal;
        case VT_UI2:
            return v.uiVal;
        // uint32 travels as VT_I4: its bits are the unsigned number.
        case VT_I4:
            return type == CimInteger::Uint32 ? std::int64_t{static_cast<std::uint32_t>(v.lVal)} : v.lVal;
        case VT_UI4:
            return v.ulVal;
        case VT_INT:
            return v.intVal;
        case VT_UINT:
            return v.uintVal;
        default:
            return std::nullopt;
    }
}

std::optional<int> ReadSetting(IWbemClassObject& object, const WmiProperty& property) {
    const std::optional<std::int64_t> value = ReadInteger(object, property.Name, property.Type);
    if (!value || *value < 0 || *value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(*value);
}

void PutInteger(IWbemClassObject& object, const wchar_t* name, CimInteger type, std::uint32_t number,
                const std::string& what) {
    VARIANT value{};
    if (type == CimInteger::Uint8) {
        value.vt = VT_UI1;
        value.bVal = static_cast<BYTE>(number);
    } else {
        value.vt = VT_I4;
        value.lVal = static_cast<LONG>(number);
    }
    const HRESULT result = object.Put(name, 0, &value, 0);
    if (FAILED(result)) throw Error("Windows refused the new value of " + what + ": " + DescribeFailure(result) + ".");
}

void PutInstance(IWbemServices& services, IWbemClassObject& instance, IWbemContext* context, const std::string& what) {
    ForgetErrorReason();
    const HRESULT result = services.PutInstance(&instance, WBEM_FLAG_UPDATE_ONLY, context, nullptr);
    if (FAILED(result)) throw Error("Windows refused the new value of " + what + ": " + DescribeFailure(result) + ".");
}

std::string Quoted(const std::string& caption) {
    return "'" + caption + "'";
}

[[noreturn]] void ThrowNotKept(const std::string& what, const std::string& read, const std::string& written) {
    throw Error("Windows did not keep the new value of " + what + ": it reads " + read + " instead of " + written +
                ".");
}

// The context that makes the NetTCPIP provider work on its persistent store.
ComPtr<IWbemContext> PersistentStoreContext() {
    const ComApi& api = Com();
    IWbemContext* raw = nullptr;
    const HRESULT result = api.CreateInstance(__uuidof(WbemContext), nullptr, CLSCTX_INPROC_SERVER,
                                              __uuidof(IWbemContext), reinterpret_cast<void**>(&raw));
    if (FAILED(result) || !raw)
        throw Error("The MTU cannot be made to last: WMI's context object is not available (" +
                    DescribeFailure(result) + ").");
    ComPtr<IWbemContext> context(raw);
    const Bstr store(api, "PersistentStore");
    VARIANT value{};
    value.vt = VT_BSTR;
    value.bstrVal = store.get();
    const HRESULT set = store ? context->SetValue(L"PolicyStore", 0, &value) : E_OUTOFMEMORY;
    if (FAILED(set))
        throw Error("The MTU cannot be made to last: WMI's context object refused the store (" + DescribeFailure(set) +
                    ").");
    return context;
}

}  // namespace

ComPtr<IWbemServices> ConnectStandardCimv2() {
    const ComApi& api = Com();
    ForgetErrorReason();
    IWbemLocator* rawLocator = nullptr;
    HRESULT result = api.CreateInstance(__uuidof(WbemLocator), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWbemLocator),
                                        reinterpret_cast<void**>(&rawLocator));
    if (FAILED(result) || !rawLocator) ThrowUnreachable(FAILED(result) ? result : E_POINTER);
    const ComPtr<IWbemLocator> locator(rawLocator);
    const Bstr name(api, WideToUtf8(kNamespace));
    if (!name) ThrowUnreachable(E_OUTOFMEMORY);
    IWbemServices* raw = nullptr;
    ForgetErrorReason();
    result = locator->ConnectServer(name.get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr,
                                    nullptr, &raw);
    if (FAILED(result) || !raw) ThrowUnreachable(FAILED(result) ? result : E_POINTER);
    ComPtr<IWbemServices> services(raw);
    result = Ole().SetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                   RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(result)) ThrowUnreachable(result);
    return services;
}

WmiTcpSettings::WmiTcpSettings(ModernSystem system, WmiConnect connect)
    : system_(std::move(system)), connect_(std::move(connect)) {}

ModernReading WmiTcpSettings::Read() {
    const Session session(connect_);
    IWbemServices& services = session.Services();
    const ComPtr<IWbemClassObject> custom =
        FirstInstance(services, kCustomTemplate.Query, nullptr, std::string("the ") + kCustomTemplate.Name);
    const ComPtr<IWbemClassObject> offload =
        FirstInstance(services, kOffload.Query, nullptr, std::string("the ") + kOffload.Name);
    ModernReading reading;
    for (const WmiProperty& property : kProperties) {
        if (!HasSetting(system_, property.Id)) continue;
        IWbemClassObject* from = property.Offload ? offload.get() : custom.get();
        if (from) reading.Values[static_cast<int>(property.Id)] = ReadSetting(*from, property);
    }
    return reading;
}

void WmiTcpSettings::Write(ModernSettingId id, int value) {
    const ModernSettingInfo& info = ModernSettingOf(id);
    const std::string what = Quoted(std::string(info.Caption));
    if (!HasSetting(system_, id)) throw Error(system_.Release + " has no setting " + what + ".");
    if (!CanWriteSetting(system_, id))
        throw Error("Windows does not let client editions of " + system_.Release + " change " + what + ".");
    if (!IsValidValue(system_, id, value))
        throw Error(std::to_string(value) + " is not a value of " + what + " that " + system_.Release + " takes.");

    const WmiProperty& property = PropertyOf(id);
    const Session session(connect_);
    IWbemServices& services = session.Services();
    const WmiTarget& home = property.Offload ? kOffload : kCustomTemplate;
    const std::string where = std::string("the ") + home.Name;

    int target = value;
    if (value == kWindowsDefault) {
        if (property.Offload) {
            target = kOffloadDefault;
        } else {
            const ComPtr<IWbemClassObject> builtIn =
                FirstInstance(services, kBuiltInTemplateQuery, nullptr, "the TCP template Internet");
            const std::optional<int> own = builtIn ? ReadSetting(*builtIn, property) : std::nullopt;
            if (!own)
                throw Error("Windows' own value of " + what +
                            " cannot be read: its TCP template Internet does not hold one.");
            target = *own;
        }
    }

    const ComPtr<IWbemClassObject> instance = FirstInstance(services, home.Query, nullptr, where);
    if (!instance) throw Error(std::string("Windows has no ") + home.Name + " to write " + what + " to.");
    PutInteger(*instance, property.Name, property.Type, static_cast<std::uint32_t>(target), what);
    // The custom template is in force only where the Automatic template hands it out.
    bool useCustom = false;
    if (!property.Offload && !IsClientOf10OrLater(system_)) {
        const std::optional<std::int64_t> current = ReadInteger(*instance, kUseCustom, CimInteger::Uint8);
        if (current && *current != 1) {
            PutInteger(*instance, kUseCustom, CimInteger::Uint8, 1, "'use the custom TCP templates'");
            useCustom = true;
        }
    }
    PutInstance(services, *instance, nullptr, what);

    const ComPtr<IWbemClassObject> after = FirstInstance(services, home.Query, nullptr, where);
    const std::optional<int> kept = after ? ReadSetting(*after, property) : std::nullopt;
    if (kept != target) ThrowNotKept(what, DescribeModernValue(id, kept), DescribeModernValue(id, target));
    if (useCustom && ReadInteger(*after, kUseCustom, CimInteger::Uint8) != 1)
        ThrowNotKept("'use the custom TCP templates'", "disabled", "enabled");
}

std::vector<ModernInterface> WmiTcpSettings::Interfaces() {
    return ListIpv4Interfaces();
}

void WmiTcpSettings::WriteMtu(const ModernInterface& where, int mtu) {
    const std::string what =
        "the MTU of " + (where.Name.empty() ? "interface " + std::to_string(where.Index) : Quoted(where.Name));
    if (mtu <= 0) throw Error(std::to_string(mtu) + " is not an MTU.");
    const std::string index = std::to_string(where.Index);
    const std::string active =
        "SELECT * FROM MSFT_NetIPInterface WHERE InterfaceIndex=" + index + " AND AddressFamily=2";
    const std::string persistent = active + " AND Store=0";

    const Session session(connect_);
    IWbemServices& services = session.Services();
    const ComPtr<IWbemContext> lasting = PersistentStoreContext();
    const struct {
        const std::string& Query;
        IWbemContext* Context;
        const char* Missing;
    } stores[] = {
        // Now, then across restarts.
        {active, nullptr, "Windows has no IPv4 interface "},
        {persistent, lasting.get(), "Windows keeps no lasting IPv4 settings for interface "},
    };
    for (const auto& store : stores) {
        const ComPtr<IWbemClassObject> instance = FirstInstance(services, store.Query, store.Context, what);
        if (!instance) throw Error(store.Missing + index + ", so " + what + " cannot be set.");
        PutInteger(*instance, kMtuProperty, CimInteger::Uint32, static_cast<std::uint32_t>(mtu), what);
        PutInstance(services, *instance, store.Context, what);
        const ComPtr<IWbemClassObject> after = FirstInstance(services, store.Query, store.Context, what);
        const std::optional<std::int64_t> kept =
            after ? ReadInteger(*after, kMtuProperty, CimInteger::Uint32) : std::nullopt;
        if (kept != mtu) ThrowNotKept(what, kept ? std::to_string(*kept) : "nothing", std::to_string(mtu));
    }
}

}  // namespace tarvex
