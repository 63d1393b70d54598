// The ten exports: each one transaction on the backend chosen for this call.
// No exception crosses the C boundary: it would end the caller's program (from
// the link monitor's thread, at once); every export answers false instead.
#include <string_view>
#include <utility>

#include "device/backend.h"
#include "device/read_commands.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "device/write_commands.h"

namespace {

template <typename Call>
bool guarded(Call&& call) noexcept {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        return false;
    }
}

bool write_from_text(const vorkel::TextWrite& kind, const char* text) {
    // A null pointer is no text: refuse it instead of touching the remote.
    if (text == nullptr) return false;
    return vorkel::write_text(vorkel::active_backend(), kind, std::string_view(text));
}

}  // namespace

extern "C" {

VORKEL_API bool link_state(void) {
    return guarded([&] { return vorkel::remote_present(vorkel::active_backend()); });
}

VORKEL_API bool RBasicInfo(char* out) {
    return guarded([&] {
        if (out == nullptr) return false;
        return vorkel::read_memory(vorkel::active_backend(), vorkel::kBasicInfoPage,
                                   vorkel::kBasicInfoReads, out);
    });
}

VORKEL_API bool RCodeTypeData(char* out) {
    return guarded([&] {
        if (out == nullptr) return false;
        return vorkel::read_memory(vorkel::active_backend(), vorkel::kCodeTablePage,
                                   vorkel::kCodeTableReads, out);
    });
}

VORKEL_API bool RCollectCodeInfo(char* out) {
    return guarded([&] {
        if (out == nullptr) return false;
        return vorkel::collect_capture(vorkel::active_backend(), out);
    });
}

VORKEL_API bool SetAddress(void) {
    return guarded([&] { return vorkel::set_address(vorkel::active_backend()); });
}

VORKEL_API bool SetFlag(void) {
    return guarded([&] { return vorkel::set_flag(vorkel::active_backend()); });
}

VORKEL_API bool SetCodeCarrierWave(void) {
    return guarded([&] { return vorkel::set_code_carrier_wave(vorkel::active_backend()); });
}

VORKEL_API bool WCodeTypeData(const char* text) {
    return guarded([&] { return write_from_text(vorkel::kCodeTableWrite, text); });
}

VORKEL_API bool WCodeTypeDataut(const char* text) {
    return guarded([&] { return write_from_text(vorkel::kCodeTableUtWrite, text); });
}

VORKEL_API bool WINTPro_D900(const char* text) {
    return guarded([&] { return write_from_text(vorkel::kD900Write, text); });
}

}  // extern "C"
