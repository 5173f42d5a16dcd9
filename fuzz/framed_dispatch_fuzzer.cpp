// Framed message dispatch: a session in any phase given any sequence of 64-byte
// messages, as the worker's loop hands them over from receiveArea.
#include <array>
#include <cstdint>
#include <memory>

#include "FuzzKit.h"
#include "framed/FramedDispatch.h"
#include "sim/SimHidBackend.h"

using namespace vantor;

namespace {

// Takes every report and answers none: dispatch is driven by the fuzzer's messages.
class SilentController final : public sim::SimDevice {
 public:
  void OnOutputReport(const hid::Report&, sim::ReportSink&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string package = [] {
    const std::string path = fuzzing::ProcessFile("framed.dat");
    const std::vector<std::uint8_t> bytes = fuzzing::SmallPackage(0, 100);
    fuzzing::WriteWholeFile(path, bytes.data(), bytes.size());
    return path;
  }();
  fuzzing::ByteScript script(data, size);
  fuzzing::BoundedClock clock;
  sim::SimHidBackend backend(clock);
  backend.AddDevice("framed", 0x2DC8, 0x5750, std::make_shared<SilentController>());
  fuzzing::FuzzView view(package);
  UpdateSession session(backend, view, clock);
  session.hid.OpenDevice("framed");
  session.framedPhase = static_cast<FramedPhase>(script.Byte() % 4);
  session.packageConfirmed = (script.Byte() & 1) != 0;
  for (int i = 0; i < 64 && !script.Empty(); ++i) {
    std::array<std::uint8_t, hid::kReportDataSize> message{};
    const std::uint8_t count = script.Byte();
    script.Fill(message.data(), message.size());
    framed::OnFramedMessage(session, message.data(), count);
  }
  session.state.packageFile.Close();
  return 0;
}
