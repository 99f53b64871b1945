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
    IClassFactory* factories[4] = {};
    for (int i = 0; i < 4; ++i) {
        factories[i] = m_module.Factory(kKnownClasses[i].clsidText);
        ASSERT_NE(factories[i], nullptr) << kKnownClasses[i].name;
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j)
            EXPECT_NE(factories[i], factories[j]);
        factories[i]->Release();
        // Released by the host, the factory is still the module's: the next
        // request gets the same one.
        IClassFactory* again = m_module.Factory(kKnownClasses[i].clsidText);
        EXPECT_EQ(again, factories[i]) << kKnownClasses[i].name;
        again->Release();
    }
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileAnObjectLives) {
    IUnknown* first = m_module.Create(kPlayer, kPlayerIid);
    IUnknown* second = m_module.Create(kKnownClasses[0].clsidText, kIUnknownText);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    first->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    second->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileTheHostHoldsAFactory) {
    IClassFactory* factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    IClassFactory* second = m_module.Factory(kPlayer);
    second->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    factory->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CannotUnloadWhileAFactoryIsLocked) {
    IClassFactory* factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    factory = m_module.Factory(kPlayer);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_FALSE);
    factory = m_module.Factory(kPlayer);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, AggregationIsRefusedAndCreatesNothing) {
    OuterObject outer;
    for (const KnownClass& known : kKnownClasses) {
        IClassFactory* factory = m_module.Factory(known.clsidText);
        ASSERT_NE(factory, nullptr);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION)
            << known.name;
        EXPECT_EQ(object, nullptr);
        factory->Release();
        // A created object would hold the module.
        EXPECT_EQ(m_module.CanUnloadNow(), S_OK) << known.name;
    }
}

TEST_F(ClassFactory, CreateInstanceChecksItsOutPointerAndTheInterface) {
    IClassFactory* factory = m_module.Factory(kPlayer);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);

    // Another class's interface: refused, and the new object goes again.
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, GuidFromText(kKnownClasses[0].hostIidText), &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory->Release();
    EXPECT_EQ(m_module.CanUnloadNow(), S_OK);
}

} // namespace
