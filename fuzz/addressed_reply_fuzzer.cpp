// Addressed reply handling: each command operation against a controller whose replies
// (how many, how late, what bytes) the fuzzer chooses.
#include <array>
#include <cstdint>
#include <memory>

#include "FuzzKit.h"
#include "addressed/AddressedCommands.h"
#include "sim/SimHidBackend.h"

using namespace vantor;
using namespace vantor::addressed;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::ByteScript script(data, size);
  fuzzing::BoundedClock clock;
  sim::SimHidBackend backend(clock);
  backend.AddDevice("addressed", 0x2DC8, 0x3002, std::make_shared<fuzzing::ScriptedController>(script));
  fuzzing::FuzzView view("");
  UpdateSession session(backend, view, clock);
  session.hid.OpenDevice("addressed");
  session.hid.SetReadTimeout(10);

  std::array<std::uint8_t, 64> destination{};
  std::array<std::uint8_t, kMaxCommandData> chunk{};
  for (int i = 0; i < 16 && !script.Empty(); ++i) {
    ExchangeTrace trace;
    switch (script.Byte() % 8) {
      case 0:
        QueryDeviceInfo(session, destination.data(), kDeviceInfoSize);
        (void)ParseDeviceInfo(destination.data());
        break;
      case 1: {
        const std::uint32_t n = script.Byte() % 64;
        if (script.Byte() % 2 == 0) {
          ReadDeviceMemory(session, destination.data(), n, kBleVersionAddress);
        } else {
          ReadBackMemory(session, destination.data(), n, kBleVersionAddress, &trace);
        }
        break;
      }
      case 2:
        EraseRegion(session, kCommandErase, kMainFlashBase, 4096, &trace);
        break;
      case 3:
        WriteBlock(session, chunk.data(), kMainFlashBase, kMaxCommandData, 4096, true, &trace);
        break;
      case 4:
        WriteFirmwareVersion(session, &trace);
        break;
      case 5:
        WriteBleCheckWord(session, &trace);
        break;
      case 6:
        RunFirmware(session, &trace);
        break;
      case 7:
        WriteBleVersion(session, &trace);
        break;
    }
    (void)trace.Reason();
  }
  return 0;
}
