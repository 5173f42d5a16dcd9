#pragma once
// The update state record: what an update knows about the chosen package, the matched
// image sections, the controller's reported type and variant, and transfer progress.
//
// Threads: written by the dialog's thread only while no worker runs (start, probe) and
// by the one worker during an update; the session's channel ownership orders the two.

#include <array>
#include <cstdint>
#include <string>

#include "package/PackageFile.h"
#include "package/SectionHeader.h"

namespace vantor {

// How far the framed image of this update went.
enum class TransferPhase {
  kSelected = 0,   // a package was confirmed, nothing streamed yet
  kStreaming = 1,  // chunks are going out
  kFinished = 2,   // the finish command was sent
};

constexpr std::size_t kChunkAreaSize = 128;
constexpr std::size_t kCheckBlockSize = 16;

// The main image's and the Bluetooth LE image's fields share one layout. UpdateState
// gives them the names the procedures use.
struct ImageRecord {
  std::array<std::uint8_t, kChunkAreaSize> chunk{};        // bytes of the chunk being sent
  std::array<std::uint8_t, kCheckBlockSize> checkBlock{};  // all zero; nothing writes it
  std::uint32_t version = 0;
  std::uint32_t length = 0;
  std::uint32_t address = 0;
  std::uint32_t sent = 0;
  std::uint32_t deviceVersion = 0;  // Bluetooth LE only: the radio's reported version
  std::uint16_t deviceType = 0;     // main only
  std::uint8_t deviceVariant = 0;   // main only
  std::uint32_t dataOffset = 0;     // file offset of the first image byte

  void Clear() { *this = ImageRecord{}; }
};

struct UpdateState {
  ImageRecord main;
  ImageRecord ble;
  package::SectionHeader mainHeader;  // the matched section's header; zero until one matches
  package::SectionHeader bleHeader;   // the Bluetooth LE section's header; zero when none
  TransferPhase transferPhase = TransferPhase::kSelected;
  std::string packagePath;           // UTF-8
  package::PackageFile packageFile;  // opened by the procedures on packagePath

  // The procedures' names for the record's fields.
  std::array<std::uint8_t, kChunkAreaSize>& chunkBuffer() { return main.chunk; }
  std::uint32_t& firmwareVersion() { return main.version; }
  std::uint32_t& imageLength() { return main.length; }
  std::uint32_t& imageAddress() { return main.address; }
  std::uint32_t& imageSent() { return main.sent; }
  std::uint16_t& deviceType() { return main.deviceType; }
  std::uint8_t& deviceVariant() { return main.deviceVariant; }
  std::uint32_t& imageDataOffset() { return main.dataOffset; }

  std::array<std::uint8_t, kChunkAreaSize>& bleChunkBuffer() { return ble.chunk; }
  std::array<std::uint8_t, kCheckBlockSize>& bleCheckBlock() { return ble.checkBlock; }
  std::uint32_t& bleVersion() { return ble.version; }
  std::uint32_t& bleLength() { return ble.length; }
  std::uint32_t& bleAddress() { return ble.address; }
  std::uint32_t& bleSent() { return ble.sent; }
  std::uint32_t& deviceBleVersion() { return ble.deviceVersion; }
  std::uint32_t& bleDataOffset() { return ble.dataOffset; }

  // Dialog start: both image records, both header copies and the transfer phase.
  void ClearImages() {
    main.Clear();
    ble.Clear();
    mainHeader.Clear();
    bleHeader.Clear();
    transferPhase = TransferPhase::kSelected;
  }
};

}  // namespace vantor
