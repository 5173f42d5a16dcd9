// The page's entry points: a few C functions the page's script calls through
// Module.ccall (vantor_update with {async: true}: it resolves once the update has
// ended). The update's events reach Module.onVantorEvent(event); the offer is put to
// Module.onVantorConfirm(offer), whose answer (or promise of one) says whether to go on.

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/web/WebHidBackend.h"
#include "package/PackageWriter.h"
#include "web/PageTexts.h"
#include "web/PageUpdate.h"

namespace {

EM_JS(void, vantor_emit_event, (const char* json), {
  if (Module.onVantorEvent) {
    try {
      Module.onVantorEvent(JSON.parse(UTF8ToString(json)));
    } catch (error) {
      console.error(error);
    }
  }
});

// A page that cannot answer (or throws) declines: nothing is written unasked.
EM_ASYNC_JS(int, vantor_await_confirm, (const char* json), {
  if (!Module.onVantorConfirm) return 0;
  try {
    return (await Module.onVantorConfirm(JSON.parse(UTF8ToString(json)))) ? 1 : 0;
  } catch (error) {
    console.error(error);
    return 0;
  }
});

class ScriptEvents final : public vantor::web::PageEvents {
 public:
  void Emit(const vantor::web::JsonObject& event) override { vantor_emit_event(event.Text().c_str()); }
  bool Confirm(const vantor::web::JsonObject& offer) override { return vantor_await_confirm(offer.Text().c_str()) != 0; }
};

ScriptEvents g_events;
vantor::web::PageUpdate g_update(g_events);
// What the last call returned; ccall copies it out before the next call.
std::string g_answer;

const char* Answer(std::string text) {
  g_answer = std::move(text);
  return g_answer.c_str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start <= text.size()) {
    const std::string::size_type end = text.find('\n', start);
    const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty()) lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The report channel on its own, beside any update: what a controller sends and
// takes through WebHID, for diagnosing one and for the tests of the channel.
std::unique_ptr<vantor::hid::HidBackend> g_rawBackend;
std::unique_ptr<vantor::hid::HidChannel> g_rawChannel;

}  // namespace

extern "C" {

// `tag`: the browser's language (navigator.language).
EMSCRIPTEN_KEEPALIVE void vantor_set_language(const char* tag) { vantor::web::SetPageLanguage(tag); }

EMSCRIPTEN_KEEPALIVE const char* vantor_page_texts() { return Answer(vantor::web::PageTexts().Text()); }

EMSCRIPTEN_KEEPALIVE const char* vantor_simulate(const char* protocol, const char* fault, int virtualTime) {
  return Answer(g_update.Simulate(protocol, fault, virtualTime != 0));
}

// The user's click: the browser's chooser for the supported controllers, then the
// probe of the one chosen. The report, {"present": false} when none was chosen, or
// {"error": ...} without WebHID.
EMSCRIPTEN_KEEPALIVE const char* vantor_choose_controller() {
  if (vantor::hid::RequestWebHidDevices() < 0) {
    return Answer(vantor::web::JsonObject().Add("error", "this browser has no WebHID").Text());
  }
  return Answer(g_update.Connect());
}

// The page's device watch, woken by WebHID's connect and disconnect events: the granted
// controllers plugged in join the list (asynchronous: a promise of their count), then
// the look says what changed (PageUpdate::Look).
EMSCRIPTEN_KEEPALIVE int vantor_watch_granted() { return vantor::hid::AddGrantedWebHidDevices(); }

EMSCRIPTEN_KEEPALIVE const char* vantor_watch_look() { return Answer(g_update.Look()); }

// The probe of the first controller the page reaches, without the chooser (one the
// watch found): the report as vantor_choose_controller's.
EMSCRIPTEN_KEEPALIVE const char* vantor_connect() { return Answer(g_update.Connect()); }

// After an update the controller restarts (out of its boot mode, a new device to the
// browser): the page lets go of it and of every device chosen.
EMSCRIPTEN_KEEPALIVE void vantor_release_controller() {
  g_update.Release();
  g_rawChannel.reset();
  vantor::hid::ForgetWebHidDevices();
}

EMSCRIPTEN_KEEPALIVE const char* vantor_update(const char* packagePath) { return Answer(g_update.Update(packagePath)); }

// The emulated controller's flash into the page's memory files (the tests compare it
// with the package); 0 when no controller is emulated.
EMSCRIPTEN_KEEPALIVE int vantor_dump_flash(const char* path) { return g_update.DumpSimulatedFlash(path) ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE void vantor_stop() { g_update.RequestStop(); }

EMSCRIPTEN_KEEPALIVE int vantor_running() { return g_update.running() ? 1 : 0; }

// The channel's paths: [{"path", "vendorId", "productId"}] of the devices chosen.
EMSCRIPTEN_KEEPALIVE const char* vantor_hid_devices() {
  if (!g_rawBackend) g_rawBackend = vantor::hid::CreateWebHidBackend(nullptr);
  std::string list = "[";
  if (g_rawBackend) {
    for (const vantor::hid::HidInterface& device : g_rawBackend->Enumerate()) {
      if (list.size() > 1) list += ",";
      list += vantor::web::JsonObject()
                  .Add("path", device.path)
                  .Add("vendorId", static_cast<std::uint32_t>(device.vendorId.value_or(0)))
                  .Add("productId", static_cast<std::uint32_t>(device.productId.value_or(0)))
                  .Text();
    }
  }
  return Answer(list + "]");
}

// 1 when the device at `path` is open for vantor_hid_write and vantor_hid_read.
EMSCRIPTEN_KEEPALIVE int vantor_hid_open(const char* path) {
  g_rawChannel.reset();
  if (!g_rawBackend) g_rawBackend = vantor::hid::CreateWebHidBackend(nullptr);
  if (!g_rawBackend) return 0;
  vantor::hid::OpenError error = vantor::hid::OpenError::kNone;
  g_rawChannel = g_rawBackend->Open(path, &error);
  return g_rawChannel ? 1 : 0;
}

// `report`: 65 bytes, the report id first. 1 when the browser took it.
EMSCRIPTEN_KEEPALIVE int vantor_hid_write(const std::uint8_t* report) {
  if (!g_rawChannel) return 0;
  vantor::hid::Report bytes{};
  std::copy(report, report + bytes.size(), bytes.begin());
  return g_rawChannel->Write(bytes) ? 1 : 0;
}

// One input report within `timeoutMs`: {"result": the ReadResult, "report": its 65
// bytes in hex, the report id first ("" without one)}.
EMSCRIPTEN_KEEPALIVE const char* vantor_hid_read(int timeoutMs) {
  vantor::hid::Report report{};
  const std::uint32_t result =
      g_rawChannel ? g_rawChannel->Read(report, static_cast<std::uint32_t>(timeoutMs)) : vantor::hid::kReadAbandoned;
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; result == vantor::hid::kReadOk && i < report.size(); ++i) {
    hex += kDigits[report[i] >> 4];
    hex += kDigits[report[i] & 0xF];
  }
  return Answer(vantor::web::JsonObject().Add("result", result).Add("report", hex).Text());
}

// A package from section descriptions, one a line, as `vantor-update pack -s` takes
// them (for the demo and the tests): {"ok": true} or {"error": ...}.
EMSCRIPTEN_KEEPALIVE const char* vantor_pack(const char* outPath, const char* descriptions) {
  std::vector<vantor::package::SectionPlan> sections;
  std::string error;
  for (const std::string& line : Lines(descriptions)) {
    vantor::package::SectionPlan plan;
    if (!vantor::package::ParseSectionDescription(line, &plan, &error)) {
      return Answer(vantor::web::JsonObject().Add("error", error).Text());
    }
    sections.push_back(plan);
  }
  vantor::package::WriteFailure failure;
  if (!vantor::package::WritePackage(outPath, sections, &failure)) {
    return Answer(vantor::web::JsonObject().Add("error", failure.English()).Text());
  }
  return Answer(vantor::web::JsonObject().Add("ok", true).Text());
}

}  // extern "C"
