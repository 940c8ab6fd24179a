// The WMI adapter of the modern TCP settings against an in-process stand-in for the NetTCPIP
// provider, which records each query (with the policy store its context names), each property
// put with its VARIANT type, and each PutInstance with its flags; and the real connection, which
// Wine's WMI cannot give (it has no root\StandardCimv2).
#include "tuning/win32/wmi_tcp_settings.h"

#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/win32/com.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::wstring kCustomQuery = L"SELECT * FROM MSFT_NetTCPSetting WHERE SettingName='InternetCustom'";
const std::wstring kInternetQuery = L"SELECT * FROM MSFT_NetTCPSetting WHERE SettingName='Internet'";
const std::wstring kOffloadQuery = L"SELECT * FROM MSFT_NetOffloadGlobalSetting";
const std::wstring kInterfaceQuery = L"SELECT * FROM MSFT_NetIPInterface WHERE InterfaceIndex=7 AND AddressFamily=2";
const std::wstring kLastingInterfaceQuery = kInterfaceQuery + L" AND Store=0";
const std::wstring kPersistent = L"PersistentStore";

const ModernSystem kWindows81{ModernStack::Win81, false, "Windows 8.1"};
const ModernSystem kWindows10{ModernStack::Win10, false, "Windows 10"};
const ModernSystem kServer2019{ModernStack::Win10, true, "Windows Server 2019"};
const ModernSystem kWindows7{ModernStack::Win7, false, "Windows 7"};

struct OleAut {
    decltype(&VariantClear) Clear;
    decltype(&SetErrorInfo) SetError;
    decltype(&SysAllocString) AllocString;
};
const OleAut& Ole() {
    static const OleAut ole = [] {
        EXPECT_TRUE(LoadComApi());
        return OleAut{LoadedSystemFunction<decltype(&VariantClear)>(L"oleaut32.dll", "VariantClear"),
                      LoadedSystemFunction<decltype(&SetErrorInfo)>(L"oleaut32.dll", "SetErrorInfo"),
                      LoadedSystemFunction<decltype(&SysAllocString)>(L"oleaut32.dll", "SysAllocString")};
    }();
    return ole;
}

// A property's value as the provider holds it: its Automation type and number (VT_NULL: null).
struct Number {
    VARTYPE Type;
    std::int64_t Value;
};
Number U8(int value) {
    return {VT_UI1, value};
}
Number I4(int value) {
    return {VT_I4, value};
}
using Properties = std::map<std::wstring, Number>;

struct PropertyPut {
    std::wstring Property;
    VARTYPE Type;
    std::int64_t Value;
    friend bool operator==(const PropertyPut&, const PropertyPut&) = default;
};
void PrintTo(const PropertyPut& put, std::ostream* out) {
    *out << WideToUtf8(put.Property) << " vt " << put.Type << " = " << put.Value;
}

struct PutInstanceCall {
    std::wstring Query;  // that returned the instance
    std::wstring Store;  // the context's PolicyStore; empty: no context
    LONG Flags;
    std::vector<PropertyPut> Puts;
};

// The methods of IWbemClassObject the adapter never calls.
class ClassObjectStubs : public IWbemClassObject {
public:
    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
    virtual ~ClassObjectStubs() = default;
};

// An instance as a query hands it out: a copy of the provider's, with the puts made on it.
class FakeInstance final : public ClassObjectStubs {
public:
    FakeInstance(std::wstring query, std::wstring store, Properties values)
        : Query(std::move(query)), Store(std::move(store)), values_(std::move(values)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IWbemClassObject) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) override {
        const auto found = values_.find(name);
        if (found == values_.end()) return static_cast<HRESULT>(WBEM_E_NOT_FOUND);
        value->vt = found->second.Type;
        if (value->vt == VT_UI1) value->bVal = static_cast<BYTE>(found->second.Value);
        if (value->vt == VT_I4) value->lVal = static_cast<LONG>(found->second.Value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT* value, CIMTYPE) override {
        const auto found = values_.find(name);
        if (found == values_.end()) return static_cast<HRESULT>(WBEM_E_NOT_FOUND);
        const std::int64_t number = value->vt == VT_UI1 ? value->bVal : value->vt == VT_I4 ? value->lVal : -1;
        Puts.push_back({name, value->vt, number});
        found->second.Value = number;
        return S_OK;
    }

    const std::wstring Query;
    const std::wstring Store;
    std::vector<PropertyPut> Puts;

private:
    Properties values_;
    ULONG count_ = 1;
};

// WMI's error object for a failed call: an __ExtendedStatus behind the COM error.
class FakeStatus final : public ClassObjectStubs, public IErrorInfo {
public:
    explicit FakeStatus(std::wstring description) : description_(std::move(description)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IWbemClassObject))
            *out = static_cast<IWbemClassObject*>(this);
        else if (iid == __uuidof(IErrorInfo))
            *out = static_cast<IErrorInfo*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) override {
        if (std::wstring(name) != L"Description") return static_cast<HRESULT>(WBEM_E_NOT_FOUND);
        value->vt = VT_BSTR;
        value->bstrVal = Ole().AllocString(description_.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD*) override { return E_NOTIMPL; }

private:
    std::wstring description_;
    ULONG count_ = 1;
};

class FakeEnum final : public IEnumWbemClassObject {
public:
    explicit FakeEnum(std::vector<FakeInstance*> instances) : instances_(std::move(instances)) {}
    ~FakeEnum() {
        for (size_t i = next_; i < instances_.size(); ++i) instances_[i]->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IEnumWbemClassObject) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        *returned = 0;
        while (*returned < count && next_ < instances_.size()) objects[(*returned)++] = instances_[next_++];
        return *returned == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

private:
    std::vector<FakeInstance*> instances_;
    size_t next_ = 0;
    ULONG count_ = 1;
};

// The provider's state and what was asked of it.
struct FakeProvider {
    struct Stored {
        std::wstring Query;
        std::wstring Store;
        Properties Values;
    };
    std::vector<Stored> Instances;
    std::vector<std::wstring> Queries;  // "query" or "query [store]"
    std::vector<PutInstanceCall> Calls;
    int Connects = 0;
    HRESULT Refusal = S_OK;         // what PutInstance answers
    std::wstring RefusalReason;     // and the error object's Description
    std::set<std::wstring> Unkept;  // properties a PutInstance leaves as they were

    Properties& Instance(const std::wstring& query, const std::wstring& store = L"") {
        for (Stored& stored : Instances)
            if (stored.Query == query && stored.Store == store) return stored.Values;
        ADD_FAILURE() << "no instance for the query";
        return Instances.front().Values;
    }
    WmiConnect Connect();
};

std::wstring StoreOf(IWbemContext* context) {
    if (!context) return {};
    VARIANT value{};
    if (FAILED(context->GetValue(L"PolicyStore", 0, &value))) return L"(none)";
    std::wstring store = value.vt == VT_BSTR ? value.bstrVal : L"(not text)";
    Ole().Clear(&value);
    return store;
}

class FakeServices final : public IWbemServices {
public:
    explicit FakeServices(FakeProvider& provider) : provider_(provider) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IWbemServices) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext* context,
                                        IEnumWbemClassObject** found) override {
        if (std::wstring(language) != L"WQL") return static_cast<HRESULT>(WBEM_E_INVALID_QUERY_TYPE);
        const std::wstring store = StoreOf(context);
        provider_.Queries.push_back(store.empty() ? std::wstring(query) : std::wstring(query) + L" [" + store + L"]");
        std::vector<FakeInstance*> copies;
        for (const FakeProvider::Stored& stored : provider_.Instances)
            if (stored.Query == query && stored.Store == store)
                copies.push_back(new FakeInstance(stored.Query, stored.Store, stored.Values));
        *found = new FakeEnum(std::move(copies));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* object, LONG flags, IWbemContext* context,
                                          IWbemCallResult**) override {
        auto* instance = dynamic_cast<FakeInstance*>(object);
        if (!instance) return static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER);
        provider_.Calls.push_back({instance->Query, StoreOf(context), flags, instance->Puts});
        if (FAILED(provider_.Refusal)) {
            FakeStatus* status = new FakeStatus(provider_.RefusalReason);
            Ole().SetError(0, status);
            status->Release();
            return provider_.Refusal;
        }
        Properties& stored = provider_.Instance(instance->Query, instance->Store);
        for (const PropertyPut& put : instance->Puts)
            if (!provider_.Unkept.contains(put.Property)) stored[put.Property].Value = put.Value;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                            IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**,
                                        IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                    IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                         IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                         IWbemClassObject**, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                              IWbemObjectSink*) override {
        return E_NOTIMPL;
    }

private:
    FakeProvider& provider_;
    ULONG count_ = 1;
};

WmiConnect FakeProvider::Connect() {
    return [this] {
        ++Connects;
        return ComPtr<IWbemServices>(new FakeServices(*this));
    };
}

// A Windows whose custom template differs from its built-in one in every value, with RSS and RSC
// off, and one IPv4 interface (index 7) in both policy stores.
class WmiTcpSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        provider_ = FakeProvider();
        provider_.Instances = {
            {kCustomQuery,
             L"",
             {{L"AutoTuningLevelLocal", U8(0)},
              {L"CongestionProvider", U8(0)},
              {L"EcnCapability", U8(0)},
              {L"Timestamps", U8(0)},
              {L"InitialRto", I4(1000)},
              {L"AutomaticUseCustom", U8(0)}}},
            {kInternetQuery,
             L"",
             {{L"AutoTuningLevelLocal", U8(3)},
              {L"CongestionProvider", U8(1)},
              {L"EcnCapability", U8(1)},
              {L"Timestamps", U8(1)},
              {L"InitialRto", I4(3000)},
              {L"AutomaticUseCustom", U8(0)}}},
            {kOffloadQuery, L"", {{L"ReceiveSideScaling", U8(0)}, {L"ReceiveSegmentCoalescing", U8(0)}}},
            {kInterfaceQuery, L"", {{L"NlMtu", I4(1500)}, {L"Store", U8(1)}}},
            {kLastingInterfaceQuery, kPersistent, {{L"NlMtu", I4(1500)}, {L"Store", U8(0)}}},
        };
    }
    WmiTcpSettings Settings(const ModernSystem& system) { return WmiTcpSettings(system, provider_.Connect()); }

    FakeProvider provider_;
};

struct SettingCase {
    ModernSettingId Id;
    int Value;
    std::wstring Query;
    std::wstring Property;
    VARTYPE Type;
};

TEST_F(WmiTcpSettingsTest, WritesEachSettingAsItsTypedPropertyAndReadsItBack) {
    const SettingCase cases[] = {
        {ModernSettingId::AutoTuningLevel, 1, kCustomQuery, L"AutoTuningLevelLocal", VT_UI1},
        {ModernSettingId::CongestionProvider, 2, kCustomQuery, L"CongestionProvider", VT_UI1},
        {ModernSettingId::EcnCapability, 1, kCustomQuery, L"EcnCapability", VT_UI1},
        {ModernSettingId::Timestamps, 1, kCustomQuery, L"Timestamps", VT_UI1},
        {ModernSettingId::InitialRto, 2000, kCustomQuery, L"InitialRto", VT_I4},
        {ModernSettingId::ReceiveSideScaling, 1, kOffloadQuery, L"ReceiveSideScaling", VT_UI1},
        {ModernSettingId::ReceiveSegmentCoalescing, 1, kOffloadQuery, L"ReceiveSegmentCoalescing", VT_UI1},
    };
    for (const SettingCase& c : cases) {
        SetUp();
        SCOPED_TRACE(ModernSettingOf(c.Id).Key);

        Settings(kWindows81).Write(c.Id, c.Value);

        ASSERT_EQ(provider_.Calls.size(), 1u);
        EXPECT_EQ(provider_.Calls[0].Query, c.Query);
        EXPECT_EQ(provider_.Calls[0].Store, L"");
        EXPECT_EQ(provider_.Calls[0].Flags, LONG{WBEM_FLAG_UPDATE_ONLY});
        ASSERT_FALSE(provider_.Calls[0].Puts.empty());
        EXPECT_EQ(provider_.Calls[0].Puts[0], (PropertyPut{c.Property, c.Type, c.Value}));
        EXPECT_EQ(provider_.Instance(c.Query)[c.Property].Value, c.Value);
        // Found, then read back after the write.
        EXPECT_EQ(provider_.Queries, (std::vector<std::wstring>{c.Query, c.Query}));
    }
}

TEST_F(WmiTcpSettingsTest, WindowsDefaultIsTheBuiltInTemplatesValueOrEnabledForOffloads) {
    const struct {
        ModernSettingId Id;
        std::wstring Query;
        std::wstring Property;
        int Expected;
    } cases[] = {
        {ModernSettingId::AutoTuningLevel, kCustomQuery, L"AutoTuningLevelLocal", 3},
        {ModernSettingId::CongestionProvider, kCustomQuery, L"CongestionProvider", 1},
        {ModernSettingId::EcnCapability, kCustomQuery, L"EcnCapability", 1},
        {ModernSettingId::Timestamps, kCustomQuery, L"Timestamps", 1},
        {ModernSettingId::InitialRto, kCustomQuery, L"InitialRto", 3000},
        {ModernSettingId::ReceiveSideScaling, kOffloadQuery, L"ReceiveSideScaling", 1},
        {ModernSettingId::ReceiveSegmentCoalescing, kOffloadQuery, L"ReceiveSegmentCoalescing", 1},
    };
    for (const auto& c : cases) {
        SetUp();
        SCOPED_TRACE(ModernSettingOf(c.Id).Key);

        Settings(kServer2019).Write(c.Id, kWindowsDefault);

        EXPECT_EQ(provider_.Instance(c.Query)[c.Property].Value, c.Expected);
        const bool askedTheBuiltIn =
            std::find(provider_.Queries.begin(), provider_.Queries.end(), kInternetQuery) != provider_.Queries.end();
        EXPECT_EQ(askedTheBuiltIn, c.Query == kCustomQuery);
    }
}

TEST_F(WmiTcpSettingsTest, MakesTheCustomTemplateTheOneInForceWhereWindowsLetsIt) {
    const struct {
        ModernSystem System;
        int UseCustomBefore;
        bool Put;
    } cases[] = {
        {kWindows81, 0, true},
        {kServer2019, 0, true},
        {kWindows81, 1, false},
        // Client editions of 10 and 11 keep AutomaticUseCustom read-only.
        {kWindows10, 0, false},
    };
    for (const auto& c : cases) {
        SetUp();
        SCOPED_TRACE(c.System.Release + " " + std::to_string(c.UseCustomBefore));
        provider_.Instance(kCustomQuery)[L"AutomaticUseCustom"].Value = c.UseCustomBefore;

        Settings(c.System).Write(ModernSettingId::EcnCapability, 1);

        ASSERT_EQ(provider_.Calls.size(), 1u);
        const std::vector<PropertyPut>& puts = provider_.Calls[0].Puts;
        const bool putUseCustom =
            std::find(puts.begin(), puts.end(), PropertyPut{L"AutomaticUseCustom", VT_UI1, 1}) != puts.end();
        EXPECT_EQ(putUseCustom, c.Put);
        EXPECT_EQ(puts.size(), c.Put ? 2u : 1u);
    }
}

TEST_F(WmiTcpSettingsTest, RefusesTheCongestionProviderOnClientEditionsOf10AndWritesItOnServers) {
    try {
        Settings(kWindows10).Write(ModernSettingId::CongestionProvider, 2);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(Contains(e.what(), "Windows does not let client editions")) << e.what();
    }
    EXPECT_EQ(provider_.Connects, 0);

    Settings(kServer2019).Write(ModernSettingId::CongestionProvider, 2);
    ASSERT_EQ(provider_.Calls.size(), 1u);
    EXPECT_EQ(provider_.Calls[0].Puts[0], (PropertyPut{L"CongestionProvider", VT_UI1, 2}));
}

TEST_F(WmiTcpSettingsTest, ReportsAValueWindowsDidNotKeep) {
    const struct {
        ModernSettingId Id;
        std::wstring Property;
        std::string Message;
    } cases[] = {
        {ModernSettingId::EcnCapability, L"EcnCapability",
         "Windows did not keep the new value of 'ECN capability': it reads Disabled instead of Enabled."},
        {ModernSettingId::ReceiveSideScaling, L"ReceiveSideScaling",
         "Windows did not keep the new value of 'Receive-side scaling (RSS)': it reads Disabled instead of Enabled."},
    };
    for (const auto& c : cases) {
        SetUp();
        provider_.Unkept = {c.Property};
        try {
            Settings(kWindows81).Write(c.Id, 1);
            ADD_FAILURE() << c.Message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
}

TEST_F(WmiTcpSettingsTest, ReportsARefusedPutWithWindowsOwnReason) {
    provider_.Refusal = static_cast<HRESULT>(WBEM_E_ACCESS_DENIED);
    provider_.RefusalReason = L"The caller is not allowed to change this setting.";
    try {
        Settings(kWindows81).Write(ModernSettingId::Timestamps, 1);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Windows refused the new value of 'TCP timestamps': error 0x80041003 (The caller is not allowed "
                  "to change this setting).");
    }
}

TEST_F(WmiTcpSettingsTest, WritesTheMtuToTheActiveAndThePersistentStore) {
    Settings(kWindows10).WriteMtu({"{4D36E972-E325-11CE-BFC1-08002BE10318}", 7, "Ethernet", 1500}, 1400);

    ASSERT_EQ(provider_.Calls.size(), 2u);
    EXPECT_EQ(provider_.Calls[0].Query, kInterfaceQuery);
    EXPECT_EQ(provider_.Calls[0].Store, L"");
    EXPECT_EQ(provider_.Calls[1].Query, kLastingInterfaceQuery);
    EXPECT_EQ(provider_.Calls[1].Store, kPersistent);
    for (const PutInstanceCall& call : provider_.Calls) {
        EXPECT_EQ(call.Flags, LONG{WBEM_FLAG_UPDATE_ONLY});
        EXPECT_EQ(call.Puts, (std::vector<PropertyPut>{{L"NlMtu", VT_I4, 1400}}));
    }
    EXPECT_EQ(provider_.Instance(kInterfaceQuery)[L"NlMtu"].Value, 1400);
    EXPECT_EQ(provider_.Instance(kLastingInterfaceQuery, kPersistent)[L"NlMtu"].Value, 1400);
    const std::wstring lasting = kLastingInterfaceQuery + L" [PersistentStore]";
    EXPECT_EQ(provider_.Queries, (std::vector<std::wstring>{kInterfaceQuery, kInterfaceQuery, lasting, lasting}));
}

TEST_F(WmiTcpSettingsTest, ReportsAnMtuWindowsDidNotKeep) {
    provider_.Unkept = {L"NlMtu"};
    try {
        Settings(kWindows10).WriteMtu({"{4D36E972-E325-11CE-BFC1-08002BE10318}", 7, "Ethernet", 1500}, 1400);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Windows did not keep the new value of the MTU of 'Ethernet': it reads 1500 instead of 1400.");
    }
}

TEST_F(WmiTcpSettingsTest, ReadsTheCustomTemplateAndTheOffloadsWithNothingForWhatIsMissing) {
    provider_.Instance(kCustomQuery)[L"EcnCapability"] = {VT_NULL, 0};
    provider_.Instance(kOffloadQuery)[L"ReceiveSideScaling"].Value = 1;

    const ModernReading on81 = Settings(kWindows81).Read();
    EXPECT_EQ(on81.Value(ModernSettingId::AutoTuningLevel), 0);
    EXPECT_EQ(on81.Value(ModernSettingId::EcnCapability), std::nullopt);
    EXPECT_EQ(on81.Value(ModernSettingId::InitialRto), 1000);
    EXPECT_EQ(on81.Value(ModernSettingId::ReceiveSideScaling), 1);
    EXPECT_EQ(on81.Value(ModernSettingId::ReceiveSegmentCoalescing), 0);

    // Windows 7 has neither segment coalescing nor the initial RTO.
    const ModernReading on7 = Settings(kWindows7).Read();
    EXPECT_EQ(on7.Value(ModernSettingId::AutoTuningLevel), 0);
    EXPECT_EQ(on7.Value(ModernSettingId::ReceiveSegmentCoalescing), std::nullopt);
    EXPECT_EQ(on7.Value(ModernSettingId::InitialRto), std::nullopt);
}

// Wine's WMI has no root\StandardCimv2: the real connection fails as on a Windows without it.
TEST(WmiTcpSettingsConnect, ReportsTheMissingNamespaceWithItsCode) {
    WmiTcpSettings settings(kWindows10);
    try {
        settings.Read();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(Contains(e.what(), "cannot be reached through WMI (root\\StandardCimv2): error 0x8004100E"))
            << e.what();
    }
}

}  // namespace
}  // namespace tarvex
