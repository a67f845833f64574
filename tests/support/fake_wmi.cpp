#include "fake_wmi.h"

using namespace Wmi;

namespace {

// Counts itself in the ledger while it lives.
class Counted {
public:
    explicit Counted(FakeLedger* ledger) : ledger_(ledger) {
        if (ledger_ != nullptr) {
            ++ledger_->alive;
        }
    }
    ~Counted() {
        if (ledger_ != nullptr) {
            --ledger_->alive;
        }
    }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

private:
    FakeLedger* ledger_;
};

class CountedObject : public ClassObject {
public:
    CountedObject(std::unique_ptr<ClassObject> object, FakeLedger& ledger)
        : object_(std::move(object)), counted_(&ledger) {}

    HResult GetNames(SafeArray<std::wstring>& names) override { return object_->GetNames(names); }
    HResult Get(const std::wstring& name, Variant& value) override {
        return object_->Get(name, value);
    }

private:
    std::unique_ptr<ClassObject> object_;
    Counted counted_;
};

class FakeEnumerator : public ObjectEnumerator {
public:
    FakeEnumerator(const FakeScript& script, FakeLedger& ledger)
        : script_(script), ledger_(ledger), counted_(&ledger) {}

    HResult Next(std::unique_ptr<ClassObject>& object, std::uint32_t& returned) override {
        returned = 0;
        if (next_ >= script_.objects.size()) {
            return script_.afterLast;
        }
        object = std::make_unique<CountedObject>(script_.objects[next_++](), ledger_);
        returned = 1;
        return kSOk;
    }

private:
    const FakeScript& script_;
    FakeLedger& ledger_;
    std::size_t next_ = 0;
    Counted counted_;
};

class FakeServices : public Services {
public:
    FakeServices(const FakeScript& script, FakeLedger& ledger)
        : script_(script), ledger_(ledger), counted_(&ledger) {}

    HResult SetProxyBlanket() override { return script_.setProxyBlanket; }

    HResult ExecQuery(const std::string& language, const std::string& query,
                      std::unique_ptr<ObjectEnumerator>& enumerator) override {
        ledger_.language = language;
        ledger_.query = query;
        if (Failed(script_.execQuery)) {
            return script_.execQuery;
        }
        enumerator = std::make_unique<FakeEnumerator>(script_, ledger_);
        return kSOk;
    }

private:
    const FakeScript& script_;
    FakeLedger& ledger_;
    Counted counted_;
};

class FakeLocator : public Locator {
public:
    FakeLocator(const FakeScript& script, FakeLedger& ledger)
        : script_(script), ledger_(ledger), counted_(&ledger) {}

    HResult ConnectServer(const std::string& path, std::unique_ptr<Services>& services) override {
        ledger_.path = path;
        if (Failed(script_.connectServer)) {
            return script_.connectServer;
        }
        services = std::make_unique<FakeServices>(script_, ledger_);
        return kSOk;
    }

private:
    const FakeScript& script_;
    FakeLedger& ledger_;
    Counted counted_;
};

class FailingObject : public ClassObject {
public:
    FailingObject(HResult namesResult, SafeArray<std::wstring> names, HResult valueResult)
        : namesResult_(namesResult), names_(std::move(names)), valueResult_(valueResult) {}

    HResult GetNames(SafeArray<std::wstring>& names) override {
        names = names_;
        return namesResult_;
    }
    HResult Get(const std::wstring&, Variant& value) override {
        value = Variant::I4(1);
        return valueResult_;
    }

private:
    HResult namesResult_;
    SafeArray<std::wstring> names_;
    HResult valueResult_;
};

}  // namespace

HResult FakeProvider::Initialize() {
    if (Failed(script_.initialize)) {
        return script_.initialize;
    }
    ++ledger_.initialized;
    return script_.initialize;
}

void FakeProvider::Uninitialize() {
    ++ledger_.uninitialized;
    ledger_.aliveAtUninitialize = ledger_.alive;
}

HResult FakeProvider::CreateLocator(std::unique_ptr<Locator>& locator) {
    if (Failed(script_.createLocator)) {
        return script_.createLocator;
    }
    locator = std::make_unique<FakeLocator>(script_, ledger_);
    return kSOk;
}

ObjectMaker Object(std::vector<StaticObject::Property> properties) {
    return [properties] { return std::make_unique<StaticObject>(properties); };
}

ObjectMaker NamesFailing(HResult failure) {
    return [failure] {
        return std::make_unique<FailingObject>(failure, SafeArray<std::wstring>(), kSOk);
    };
}

ObjectMaker ValuesFailing(std::vector<std::wstring> names, HResult failure) {
    return [names, failure] {
        return std::make_unique<FailingObject>(kSOk, SafeArray<std::wstring>(names), failure);
    };
}

ObjectMaker NameElementFailing(HResult failure) {
    return [failure] {
        SafeArray<std::wstring> names({L"Index"});
        names.AppendUnreadable(failure);
        return std::make_unique<FailingObject>(kSOk, names, kSOk);
    };
}
