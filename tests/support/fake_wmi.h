#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "disks/wmi_objects.h"
#include "disks/wmi_static_objects.h"

// A management service whose every call can be made to fail, and which
// counts what it handed out and what was given back.

struct FakeLedger {
    int initialized = 0;
    int uninitialized = 0;
    int alive = 0;  // locators, services, enumerators and objects not yet released
    int aliveAtUninitialize = -1;
    std::string path;      // of the last ConnectServer
    std::string language;  // of the last ExecQuery
    std::string query;
};

using ObjectMaker = std::function<std::unique_ptr<Wmi::ClassObject>()>;

struct FakeScript {
    Wmi::HResult initialize = Wmi::kSOk;
    Wmi::HResult createLocator = Wmi::kSOk;
    Wmi::HResult connectServer = Wmi::kSOk;
    Wmi::HResult setProxyBlanket = Wmi::kSOk;
    Wmi::HResult execQuery = Wmi::kSOk;
    std::vector<ObjectMaker> objects{};
    // After the objects: this result from Next (kSFalse: the plain end).
    Wmi::HResult afterLast = Wmi::kSFalse;
};

class FakeProvider : public Wmi::Provider {
public:
    explicit FakeProvider(FakeScript script) : script_(std::move(script)) {}

    Wmi::HResult Initialize() override;
    void Uninitialize() override;
    Wmi::HResult CreateLocator(std::unique_ptr<Wmi::Locator>& locator) override;

    const FakeLedger& Ledger() const { return ledger_; }

private:
    FakeScript script_;
    FakeLedger ledger_;
};

// An object with the given properties. Every object the enumerator hands out
// is counted in the ledger while it lives.
ObjectMaker Object(std::vector<Wmi::StaticObject::Property> properties);

// An object whose property names cannot be read.
ObjectMaker NamesFailing(Wmi::HResult failure);

// An object whose names are given but whose values fail with failure.
ObjectMaker ValuesFailing(std::vector<std::wstring> names, Wmi::HResult failure);

// An object whose names array holds one unreadable element.
ObjectMaker NameElementFailing(Wmi::HResult failure);
