// The simulated remote behind the platform seam.
#include "device/backend.h"
#include "device/sim/sim_model.h"

namespace vorkel {

namespace {

class SimulatedBackend final : public Backend {
  public:
    std::vector<std::string> enumerate() override { return sim::model().enumerate(); }
    std::optional<HandleId> open(const std::string& path) override {
        return sim::model().open(path);
    }
    std::optional<HidAttributes> attributes(HandleId handle) override {
        return sim::model().attributes(handle);
    }
    bool write_report(HandleId handle, const std::array<std::uint8_t, 9>& report) override {
        return sim::model().write_report(handle, report);
    }
    ReadStatus read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                           std::size_t length) override {
        return sim::model().read_string(handle, kind, buffer, length);
    }
    void close(HandleId handle) override { sim::model().close(handle); }
};

}  // namespace

Backend& simulated_backend() {
    static SimulatedBackend backend;
    return backend;
}

}  // namespace vorkel
