#include "sim/FramedEmulator.h"

#include <algorithm>

#include "base/LittleEndian.h"

namespace vantor::sim {
namespace {

constexpr std::uint8_t kTypeCommand = 22;
constexpr std::uint8_t kTypeDeviceInfo = 25;
constexpr std::uint8_t kTypeStart = 26;
constexpr std::uint8_t kTypeNoReport = 29;
constexpr std::uint8_t kCommandData = 0;
constexpr std::uint8_t kCommandHeader = 1;
constexpr std::uint8_t kCommandFinish = 2;
constexpr std::uint8_t kCommandVersion = 4;
constexpr std::uint8_t kCommandDataRequest = 20;
constexpr std::uint8_t kCommandRefused = 24;
constexpr std::size_t kFrameLimit = 1024;
constexpr std::size_t kMaxMessage = 63;
constexpr std::size_t kDeviceInfoBody = 40;
constexpr std::size_t kFirmwareTypeOffset = 40;
constexpr std::size_t kHeaderFields = 12;

std::vector<std::uint8_t> Command(std::uint8_t code) { return {0x00, kTypeCommand, 0x01, 0x00, code}; }

// The payload of a command frame: none for the five-byte form, else the n bytes that
// the payload-length field announces (cut to what the frame holds).
std::pair<const std::uint8_t*, std::size_t> Payload(const std::vector<std::uint8_t>& frame) {
  if (frame.size() < 7 || Load16(&frame[2]) <= 1) return {nullptr, 0};
  const std::size_t n = std::min<std::size_t>(Load16(&frame[5]), frame.size() - 7);
  return {frame.data() + 7, n};
}

}  // namespace

FramedEmulator::FramedEmulator(Settings settings, const Clock* clock)
    : clock_(clock), settings_(std::move(settings)), flash_(settings_.flashSize, 0xFF) {}

std::shared_ptr<FramedEmulator> FramedEmulator::Attach(SimHidBackend& backend, Settings settings, std::string path,
                                                       std::uint16_t vendorId) {
  auto emulator = std::make_shared<FramedEmulator>(std::move(settings), &backend.clock());
  backend.AddDevice(std::move(path), vendorId, kProductId, emulator);
  return emulator;
}

bool FramedEmulator::Present() const {
  if (!present_) return false;
  const std::uint64_t leavesAt = leavesAt_.load();
  return leavesAt == kNever || (clock_ != nullptr && clock_->NowMs() < leavesAt);
}

void FramedEmulator::SetFaults(Faults faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_.faults = std::move(faults);
}

void FramedEmulator::OnOutputReport(const hid::Report& report, ReportSink& host) {
  const std::size_t count = std::min<std::size_t>(report[1], kMaxMessage);
  std::lock_guard<std::mutex> lock(mutex_);
  // An answer held back by the last report goes out behind this report's answers.
  std::optional<hid::Report> held = std::move(held_);
  held_.reset();
  pending_.insert(pending_.end(), report.begin() + 2, report.begin() + 2 + count);
  while (pending_.size() >= 4) {
    const std::size_t length = 4 + Load16(&pending_[2]);
    // A piece that cannot start a frame means pieces were lost: start afresh.
    if (pending_[0] != 0 || length > kFrameLimit) {
      pending_.clear();
      break;
    }
    if (pending_.size() < length) break;
    const std::vector<std::uint8_t> frame(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    HandleFrame(frame, host);
    if (!present_) break;
  }
  if (held && present_) host.Emit(*held, settings_.replyDelayMs);
}

bool FramedEmulator::RefusesWrite(const hid::Report& /*report*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++writes_;
  return settings_.faults.refuseWriteAt == writes_;
}

bool FramedEmulator::Matches(const std::optional<StepAt>& at, Step step, std::uint32_t chunk) const {
  return at && at->step == step && (step != Step::kChunk || at->chunk == chunk);
}

void FramedEmulator::HandleFrame(const std::vector<std::uint8_t>& frame, ReportSink& host) {
  const std::uint8_t type = frame[1];
  const std::uint8_t code = type == kTypeCommand ? frame[4] : 0;
  if (type == kTypeNoReport) {
    ++counts_[{type, 0}];
    return;
  }
  Step step;
  if (type == kTypeStart) {
    step = Step::kStart;
  } else if (type == kTypeCommand && code == kCommandVersion) {
    step = Step::kVersionQuery;
  } else if (type == kTypeCommand && code == kCommandHeader) {
    step = Step::kHeader;
  } else if (type == kTypeCommand && code == kCommandData) {
    step = Step::kChunk;
  } else if (type == kTypeCommand && code == kCommandFinish) {
    step = Step::kFinish;
  } else {
    ++counts_[{type, code}];
    return;
  }
  const std::uint32_t chunk = step == Step::kChunk ? ++chunkArrivals_ : 0;

  const Faults& faults = settings_.faults;
  if (Matches(faults.removeAt, step, chunk)) {
    present_ = false;
    return;
  }
  if (Matches(faults.loseHostReportAt, step, chunk)) return;
  ++counts_[{type, code}];
  if (Matches(faults.silentFrom, step, chunk)) silent_ = true;
  if (silent_) return;

  std::vector<std::uint8_t> reply;
  switch (step) {
    case Step::kStart:
      reply = DeviceInformation();
      break;
    case Step::kVersionQuery:
      reply = {0x00, kTypeCommand, 0x07, 0x00, kCommandVersion, 0x04, 0x00, 0, 0, 0, 0};
      Store32(&reply[7], settings_.versionWord);
      break;
    case Step::kHeader:
      reply = HandleHeader(frame);
      break;
    case Step::kChunk:
      reply = HandleData(frame, chunk);
      break;
    case Step::kFinish:
      reply = HandleFinish();
      break;
  }
  if (reply.empty() || Matches(faults.loseReplyAt, step, chunk)) return;
  hid::Report out{};
  out[1] = static_cast<std::uint8_t>(reply.size());
  std::copy(reply.begin(), reply.end(), out.begin() + 2);
  std::uint32_t delay = settings_.replyDelayMs;
  if (step == Step::kHeader) delay += settings_.eraseBusyMs;
  if (Matches(faults.lateReplyAt, step, chunk)) delay += faults.lateMs;
  if (Matches(faults.staleReplyBefore, step, chunk) && lastAnswer_) host.Emit(*lastAnswer_, delay);
  lastAnswer_ = out;
  if (Matches(faults.reorderReplyAt, step, chunk)) {
    if (held_) host.Emit(*held_, delay);
    held_ = out;
    return;
  }
  host.Emit(out, delay);
  if (Matches(faults.duplicateReplyAt, step, chunk)) host.Emit(out, delay);
}

std::vector<std::uint8_t> FramedEmulator::DeviceInformation() const {
  std::vector<std::uint8_t> message(4 + kDeviceInfoBody, 0);
  message[1] = kTypeDeviceInfo;
  message[2] = static_cast<std::uint8_t>(kDeviceInfoBody);
  Store32(&message[kFirmwareTypeOffset], settings_.firmwareType);
  return message;
}

std::vector<std::uint8_t> FramedEmulator::HandleHeader(const std::vector<std::uint8_t>& frame) {
  const auto [payload, n] = Payload(frame);
  streaming_ = false;
  if (n < kHeaderFields) return Command(kCommandRefused);
  Header header{Load32(payload), Load32(payload + 4), Load32(payload + 8)};
  const std::uint32_t base = settings_.flashBase;
  if (header.address < base || header.address - base > flash_.size() ||
      header.length > flash_.size() - (header.address - base)) {
    return Command(kCommandRefused);
  }
  const auto start = flash_.begin() + (header.address - base);
  std::fill(start, start + header.length, std::uint8_t{0xFF});
  header_ = header;
  streaming_ = true;
  finished_ = false;
  received_ = 0;
  overrun_ = 0;
  chunkArrivals_ = 0;
  chunkSizes_.clear();
  return Command(kCommandDataRequest);
}

std::vector<std::uint8_t> FramedEmulator::HandleData(const std::vector<std::uint8_t>& frame, std::uint32_t chunk) {
  if (!streaming_ || received_ >= header_->length) {
    streaming_ = false;
    return Command(kCommandRefused);
  }
  const auto [payload, n] = Payload(frame);
  chunkSizes_.push_back(static_cast<std::uint32_t>(n));
  if (settings_.faults.failAtChunk == chunk) {
    streaming_ = false;
    return Command(settings_.faults.failureCommand);
  }
  const std::uint32_t room = header_->length - received_;
  const std::uint32_t taken = std::min<std::uint32_t>(room, static_cast<std::uint32_t>(n));
  std::copy_n(payload, taken, flash_.begin() + (header_->address - settings_.flashBase) + received_);
  received_ += taken;
  overrun_ += static_cast<std::uint32_t>(n) - taken;
  return Command(kCommandDataRequest);
}

std::vector<std::uint8_t> FramedEmulator::HandleFinish() {
  if (!streaming_ || received_ < header_->length) {
    streaming_ = false;
    return Command(kCommandRefused);
  }
  streaming_ = false;
  finished_ = true;
  settings_.versionWord = header_->versionWord;
  if (settings_.leavesAfterFinishMs) {
    const std::uint64_t now = clock_ != nullptr ? clock_->NowMs() : 0;
    leavesAt_ = now + *settings_.leavesAfterFinishMs;
  }
  return {};
}

std::vector<std::uint8_t> FramedEmulator::MainImage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!header_) return {};
  const auto start = flash_.begin() + (header_->address - settings_.flashBase);
  return std::vector<std::uint8_t>(start, start + header_->length);
}

std::optional<FramedEmulator::Header> FramedEmulator::LastHeader() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return header_;
}

std::uint32_t FramedEmulator::BytesReceived() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

std::vector<std::uint32_t> FramedEmulator::ChunkSizes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return chunkSizes_;
}

std::uint32_t FramedEmulator::OverrunBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return overrun_;
}

bool FramedEmulator::Finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

std::uint32_t FramedEmulator::VersionWord() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_.versionWord;
}

std::uint32_t FramedEmulator::CountOf(std::uint8_t type, std::uint8_t command) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = counts_.find({type, type == kTypeCommand ? command : std::uint8_t{0}});
  return found == counts_.end() ? 0 : found->second;
}

std::size_t FramedEmulator::PendingFrameBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_.size();
}

}  // namespace vantor::sim
