#include "script/run_log.h"


#include "base/decimal_text.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace setup {

namespace {

// Lines are collected and written in blocks of about this size: an installation of
// many small files would otherwise pay one write per file.
constexpr size_t kFlushThreshold = 16 * 1024;

// "2026-12-07 06:47:12" from an MS-DOS date and time (two-second resolution).
std::string DosDateTimeText(uint32_t dos) {
  const uint32_t date = dos >> 16, time = dos & 0xFFFF;
  std::string text = PaddedDecimal(1980 + (date >> 9), 4);
  text.append("-").append(PaddedDecimal((date >> 5) & 15, 2)).append("-").append(PaddedDecimal(date & 31, 2));
  text.append(" ").append(PaddedDecimal(time >> 11, 2)).append(":").append(PaddedDecimal((time >> 5) & 63, 2));
  text.append(":").append(PaddedDecimal((time & 31) * 2, 2));
  return text;
}

// Appends text as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    // The lead byte, then 6 bits a continuation byte, highest first.
    char bytes[4];
    const size_t count = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    static constexpr uint8_t kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    for (size_t k = count - 1; k > 0; --k, c >>= 6) bytes[k] = static_cast<char>(0x80 | (c & 0x3F));
    bytes[0] = static_cast<char>(kLead[count - 1] | c);
    out.append(bytes, count);
  }
}

}  // namespace

TRunLog::~TRunLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  FlushLocked();
}

bool TRunLog::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_.Open(path, platform::OpenMode::CreateAlways)) return false;
  path_ = path;
  temporary_ = false;
  openedTick_ = platform::TickCount();
  buffer_ = "Setup log, " + DosDateTimeText(platform::LocalDosDateTime()) + "\r\n";
  return true;
}

bool TRunLog::OpenTemporary() {
  const std::string folder = platform::TemporaryFolder();
  if (folder.empty()) return false;
  for (uint32_t number = 0; number < 10000; ++number) {
    const std::string path = folder + "SetupLog" + PaddedDecimal(number, 4) + ".txt";
    if (platform::FileExists(path) || platform::DirectoryExists(path)) continue;
    if (!Open(path)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    temporary_ = true;
    return true;
  }
  return false;
}

bool TRunLog::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return file_.IsOpen();
}

void TRunLog::Write(const std::string& text) { Write({std::string_view(text)}); }

void TRunLog::Write(const std::u16string& text) { Write({std::u16string_view(text)}); }

void TRunLog::Write(std::initializer_list<std::string_view> pieces) {
  std::string line;
  for (std::string_view piece : pieces) AppendUtf8(line, platform::AnsiToWide(piece));
  WriteLine(line);
}

void TRunLog::Write(std::initializer_list<std::u16string_view> pieces) {
  std::string line;
  for (std::u16string_view piece : pieces) AppendUtf8(line, piece);
  WriteLine(line);
}

void TRunLog::WriteLine(const std::string& utf8) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_.IsOpen()) return;
  const uint32_t milliseconds = platform::TickCount() - openedTick_;
  buffer_.append("[").append(PaddedDecimal(milliseconds / 1000, 5, ' ')).append(".");
  buffer_.append(PaddedDecimal(milliseconds % 1000, 3)).append("] ");
  // A line break inside a message stays on the line, visibly: "\r" becomes " / ".
  for (char c : utf8) {
    if (c == '\r') {
      buffer_ += " / ";
    } else if (c != '\n') {
      buffer_ += c;
    }
  }
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushThreshold) FlushLocked();
}

void TRunLog::FlushLocked() {
  if (file_.IsOpen() && !buffer_.empty()) file_.Write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void TRunLog::MarkFailed() {
  std::lock_guard<std::mutex> lock(mutex_);
  failed_ = true;
  FlushLocked();
}

bool TRunLog::Failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

std::string TRunLog::FailureNote() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!temporary_ || !file_.IsOpen()) return {};
  return "\r\rSetup log: " + path_;
}

void TRunLog::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_.IsOpen()) return;
  FlushLocked();
  file_.Close();
  if (temporary_ && !failed_) platform::RemoveFile(path_);
}

}  // namespace setup
