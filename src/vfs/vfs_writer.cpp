#include "vfs/vfs_writer.h"

#include <algorithm>
#include <atomic>

#include "vfs/vfs_format.h"

namespace setup {

namespace {

constexpr uint64_t kFrontPage = 4096;
constexpr size_t kBatchBytes = 4u << 20;
std::atomic<VfsWriter::WriteHook> writeHook{nullptr};
std::atomic<uint64_t> writeCount{0};

}  // namespace

void VfsWriter::SetWriteHook(WriteHook hook) { writeHook = hook; }

void VfsWriter::Attach(platform::File* file, std::string archivePath, uint64_t dataStart, uint32_t blockSize) {
  file_ = file;
  path_ = std::move(archivePath);
  dataStart_ = dataStart;
  blockSize_ = std::max<uint32_t>(blockSize, 1);
  saved_.clear();
  pending_.clear();
  pendingBytes_ = 0;
}

void VfsWriter::SaveUnits(uint64_t offset, uint64_t end) {
  if (!journal_.Active() && !journal_.Begin(path_, *file_)) {
    if (journal_.Busy()) throw VfsError(RecoveryResult{JournalRecovery::InUse, {}, {}}.Message(path_));
    throw VfsError("The undo journal " + JournalPath(path_) + " could not be created.");
  }
  while (offset < end) {
    uint64_t unitStart;
    uint64_t unitEnd;
    if (offset < dataStart_) {
      unitStart = offset / kFrontPage * kFrontPage;
      unitEnd = std::min(unitStart + kFrontPage, dataStart_);
    } else {
      unitStart = dataStart_ + (offset - dataStart_) / blockSize_ * blockSize_;
      unitEnd = unitStart + blockSize_;
    }
    if (saved_.insert(unitStart).second) {
      if (!journal_.SaveFrom(*file_, unitStart, unitEnd - unitStart)) {
        throw VfsError("The undo journal " + JournalPath(path_) + " could not be written.");
      }
      unsynced_ = true;
    }
    offset = unitEnd;
  }
}

void VfsWriter::Write(uint64_t offset, ByteView bytes) {
  if (bytes.empty()) return;
  SaveUnits(offset, offset + bytes.size());
  pending_.push_back(Pending{offset, Bytes(bytes.begin(), bytes.end())});
  pendingBytes_ += bytes.size();
  if (pendingBytes_ >= kBatchBytes) Drain();
}

void VfsWriter::Drain() {
  if (pending_.empty()) return;
  if (unsynced_) {
    if (!journal_.Sync()) throw VfsError("The undo journal " + JournalPath(path_) + " could not be flushed.");
    unsynced_ = false;
  }
  for (const Pending& write : pending_) {
    if (WriteHook hook = writeHook.load()) hook(++writeCount);
    if (!file_->WriteAt(write.offset, write.bytes.data(), write.bytes.size())) {
      throw VfsError("Writing " + path_ + " failed.");
    }
  }
  pending_.clear();
  pendingBytes_ = 0;
}

void VfsWriter::Commit() {
  Drain();
  if (!journal_.Active()) return;
  if (WriteHook hook = writeHook.load()) hook(++writeCount);
  // A journal left behind after its commit mark is removed by the next open.
  if (journal_.Commit(*file_) == ArchiveJournal::CommitResult::Failed) throw VfsError("Writing " + path_ + " failed.");
  saved_.clear();
}

void VfsWriter::Abandon() {
  pending_.clear();
  pendingBytes_ = 0;
  saved_.clear();
  unsynced_ = false;
  journal_.Close();
}

}  // namespace setup
