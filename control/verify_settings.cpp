#include "control/verify_settings.h"

namespace {

const wchar_t* const kVerify = L"Verify";
constexpr int kDisks = 1;
constexpr int kImages = 2;

int BitOf(EndpointKind target) {
    return target == EndpointKind::PhysicalDisk ? kDisks : kImages;
}

int StoredChoices(SettingsPort& store) {
    const int stored = store.ReadProfileInt(L"", kVerify, kDisks);
    return stored < 0 || stored > (kDisks | kImages) ? kDisks : stored;
}

}  // namespace

bool LoadVerifyChoice(SettingsPort& store, EndpointKind target) {
    return (StoredChoices(store) & BitOf(target)) != 0;
}

void SaveVerifyChoice(SettingsPort& store, EndpointKind target, bool verify) {
    const int others = StoredChoices(store) & ~BitOf(target);
    store.WriteProfileInt(L"", kVerify, verify ? others | BitOf(target) : others);
}
