// A whole update, start to end, against a controller whose every reply the fuzzer
// chooses; the first byte picks the protocol. The updater may fail in any way it
// likes, but it must end, within its bounded waits, without a crash.
#include <cstdint>
#include <memory>

#include "FuzzKit.h"
#include "sim/SimHidBackend.h"

using namespace vantor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string package = [] {
    const std::string path = fuzzing::ProcessFile("update.dat");
    std::vector<std::uint8_t> bytes = fuzzing::SmallPackage(8194, 120);
    const std::vector<std::uint8_t> framed = fuzzing::SmallPackage(0, 70);
    bytes.insert(bytes.end(), framed.begin(), framed.end());
    fuzzing::WriteWholeFile(path, bytes.data(), bytes.size());
    return path;
  }();
  fuzzing::ByteScript script(data, size);
  const bool addressed = (script.Byte() & 1) != 0;
  fuzzing::BoundedClock clock;
  sim::SimHidBackend backend(clock);
  backend.AddDevice("controller", 0x2DC8, addressed ? 0x3002 : 0x5750,
                    std::make_shared<fuzzing::ScriptedController>(script));
  fuzzing::RunWholeUpdate(backend, clock, package);
  return 0;
}
