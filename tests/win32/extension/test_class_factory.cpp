// The class factories and the unload rule, driven through the module's own
// exports as the COM runtime drives them.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "tests/win32/extension/ExtensionModule.h"
#include "tests/win32/extension/KnownClasses.h"

namespace {

const char* const kPlayer = kKnownClasses[3].clsidText;
const char* const kPlayerIid = kKnownClasses[3].hostIidText;

class ClassFactory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_module.Loaded());
        ASSERT_EQ(m_module.CanUnloadNow(), S_OK);
    }

    CExtensionModule m_module;
};

// A stand-in outer object for aggregation requests; never called.
struct OuterObject : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(ClassFactory, UnknownClassIsNotAvailable) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(m_module.GetClassObject(GuidFromText(kKnownClasses[0].hostIidText), IID_IClassFactory,
                                      &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(m_module.GetClassObject(GUID_NULL, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ClassFactory, OneFactoryPerClassKeptAcrossRequests) {
    CComPtr<IClassFactory> factories[4];
    for (int i = 0; i < 4; ++i) {
        factories[i] = m_module.Factory(kKnownClasses[i].clsidText);
        ASSERT_NE(factories[i].Get(), nullptr) << kKnownClasses[i].name;
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j)
            EXPECT_NE(factories[i].Get(), factories[j].Get());
        IClassFactory* const released = factories[i].Get();
        factories[i].Reset();
        // Released by the host, the factory is still the module's: the next
        // request gets the same one.
        EXPECT_EQ(m_module.Factory(kKnownClasses[i].clsidText).Get(), released)
            << kKnownClasses[i].name;
    }
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileAnObjectLives) {
    CComPtr<IUnknown> first = m_module.Create(kPlayer, kPlayerIid);
    CComPtr<IUnknown> second = m_module.Create(kKnownClasses[0].clsidText, kIUnknownText);
    ASSERT_NE(first.Get(), nullptr);
    ASSERT_NE(second.Get(), nullptr);
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    first.Reset();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    second.Reset();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileTheHostHoldsAFactory) {
    CComPtr<IClassFactory> factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory.Get(), nullptr);
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    m_module.Factory(kPlayer); // a second reference, released at once
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    factory.Reset();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileAFactoryIsLocked) {
    CComPtr<IClassFactory> factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory.Get(), nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(m_module.Factory(kPlayer)->LockServer(FALSE), S_OK);
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(m_module.Factory(kPlayer)->LockServer(FALSE), S_OK);
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, AggregationIsRefusedAndCreatesNothing) {
    OuterObject outer;
    for (const KnownClass& known : kKnownClasses) {
        {
            const CComPtr<IClassFactory> factory = m_module.Factory(known.clsidText);
            ASSERT_NE(factory.Get(), nullptr);
            void* object = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION)
                << known.name;
            EXPECT_EQ(object, nullptr);
        }
        // A created object would hold the module.
        EXPECT_EQ(m_module.CanUnloadNow(), S_OK) << known.name;
    }
}

TEST_F(ClassFactory, CreateInstanceChecksItsOutPointerAndTheInterface) {
    CComPtr<IClassFactory> factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory.Get(), nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);

    // Another class's interface: refused, and the new object goes again.
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, GuidFromText(kKnownClasses[0].hostIidText), &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory.Reset();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

} // namespace
