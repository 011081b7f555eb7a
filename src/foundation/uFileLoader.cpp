#include "foundation/uFileLoader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/uPlainFile.h"

namespace qx {

TFileLoad* FileLoad = nullptr;

namespace {

// Share of the bar for reading a project (from 5 %); the sheets shown, their
// frames fitted and the unchanged text recorded fill the rest.
constexpr int32_t kReadPercent = 77;

std::unique_ptr<TFLSetList> gFLSetList;
std::unique_ptr<TFileLoad> gFileLoad;
std::atomic<uint32_t> gTempCounter{0};

bool IsBlank(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// Clears a flag (and runs an action) on every way out of a scope.
template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F f) : f_(std::move(f)) {}
  ~TScopeExit() { f_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F f_;
};

// Writes a temporary file beside the target and renames it over the target
// only when everything was written; an abandoned writer removes its file.
class TAtomicFileWriter {
 public:
  TAtomicFileWriter() = default;
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
  ~TAtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!tempName_.empty()) ::unlink(tempName_.c_str());
  }

  bool Open(const std::string& name) {
    if (IsBlank(name)) return false;
    // A link (a settings file kept in a dotfiles folder, say) is saved through
    // to its file; renaming over the link would leave that file stale.
    std::string fileName = name;
    struct stat lst {};
    if (::lstat(name.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
      if (char* real = ::realpath(name.c_str(), nullptr)) {
        fileName = real;
        std::free(real);
      }
    }
    fileName_ = fileName;
    // A short hidden name beside the file: a long file name plus a suffix
    // could exceed the name limit of the file system.
    const size_t slash = fileName.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
    const std::string base = fileName.substr(dir.size(), 64);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string temp = dir + "." + base + ".~" + std::to_string(::getpid()) + "-" +
                         std::to_string(gTempCounter.fetch_add(1)) + ".tmp";
      // 0666 under the umask, as a newly created file would get.
      const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_ = fd;
        tempName_ = std::move(temp);
        struct stat st {};
        if (::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
          (void)::fchmod(fd_, st.st_mode & 07777);  // keep the old file's rights
        }
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  bool Commit(std::string_view text) {
    if (fd_ < 0) return false;
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    if (::fsync(fd_) != 0) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return false;
    if (::rename(tempName_.c_str(), fileName_.c_str()) != 0) return false;
    tempName_.clear();
    return true;
  }

 private:
  int fd_ = -1;
  std::string fileName_;
  std::string tempName_;
};

// Compares the lines written with a text instead of keeping them; lines are
// trimmed as TTextWriter trims them.
class TCompareWriter final : public TLineWriter {
 public:
  explicit TCompareWriter(std::string_view text) : rest_(text) {}
  void WriteLine(std::string_view line) override {
    Match(TrimLineEnd(line));
    Match("\r\n");
  }
  void WriteLine(std::initializer_list<std::string_view> parts) override {
    // The line's length without its trailing blanks and control characters,
    // which may span parts.
    size_t keep = 0;
    for (const std::string_view p : parts) keep += p.size();
    for (auto it = parts.end(); it != parts.begin();) {
      const std::string_view p = *--it;
      const size_t trimmed = TrimLineEnd(p).size();
      keep -= p.size() - trimmed;
      if (trimmed > 0) break;
    }
    for (const std::string_view p : parts) {
      const size_t n = std::min(keep, p.size());
      Match(p.substr(0, n));
      keep -= n;
    }
    Match("\r\n");
  }
  bool Equal() const { return equal_ && rest_.empty(); }

 private:
  void Match(std::string_view s) {
    if (!equal_) return;
    equal_ = rest_.substr(0, s.size()) == s;
    if (equal_) rest_.remove_prefix(s.size());
  }
  std::string_view rest_;
  bool equal_ = true;
};

}  // namespace

// ---- Files -----------------------------------------------------------------

bool ReadTextFile(const std::string& fileName, std::string& text) {
  if (IsBlank(fileName)) return false;
  // A FIFO or device named as a project or settings file is refused without
  // waiting: a blocking open would freeze the window for good.
  std::string out;
  if (ReadPlainFile(fileName, kMaxTextFileBytes, out) != TPlainFileStatus::Ok) return false;
  text = std::move(out);
  return true;
}

bool WriteTextFileAtomic(const std::string& fileName, std::string_view text) {
  TAtomicFileWriter writer;
  return writer.Open(fileName) && writer.Commit(text);
}

// ---- TFileLoad -------------------------------------------------------------

class TFileLoad::TNoContent final : public TProjectContent {
 public:
  TPersistItem GeneralSettings() override { return {}; }
  int32_t PortCount() override { return 0; }
  TPersistItem Port(int32_t) override { return {}; }
  int32_t SheetCount() override { return 0; }
  TPersistItem Sheet(int32_t) override { return {}; }
  int32_t ElementCount(int32_t) override { return 0; }
  TPersistElement Element(int32_t, int32_t) override { return {}; }
};

TFileLoad::TFileLoad(const TFLSetList& sets, TProjectContent* content, TLoadSaveProgress* progress)
    : sets_(&sets), content_(content), progress_(progress), noContent_(new TNoContent) {
  if (!content_) content_ = noContent_.get();
  if (!progress_) progress_ = &noProgress_;
}

void TFileLoad::SetContent(TProjectContent* content) {
  content_ = content ? content : noContent_.get();
}

void TFileLoad::SetProgress(TLoadSaveProgress* progress) {
  progress_ = progress ? progress : &noProgress_;
}

void TFileLoad::WriteProject(TLineWriter& out, bool withProgress) {
  TProjectContent& c = *content_;
  TLoadSaveProgress& pg = withProgress ? *progress_ : noProgress_;
  const TPersistItem general = c.GeneralSettings();
  if (general.Object && general.Set) general.Set->SaveSet(out, *general.Object);
  pg.StepProgress();
  // The counts are asked again at every step: a progress call lets window
  // messages run, which may delete a port, sheet or element meanwhile.
  for (int32_t i = 0; i < c.PortCount(); ++i) {
    const TPersistItem port = c.Port(i);
    if (port.Object && port.Set) {
      port.Set->SaveSet(out, *port.Object);
    } else if (port.Object) {
      c.ShowMessage(std::string(sflSetNotAssigned));
    }
    pg.StepProgress();
  }
  for (int32_t s = 0; s < c.SheetCount(); ++s) {
    const TPersistItem sheet = c.Sheet(s);
    if (sheet.Object && sheet.Set) sheet.Set->SaveSet(out, *sheet.Object);
    for (int32_t e = 0; e < c.ElementCount(s); ++e) {
      pg.StepProgress();
      if (s >= c.SheetCount() || e >= c.ElementCount(s)) break;
      const TPersistElement el = c.Element(s, e);
      if (el.IsSubElement || !el.Object) continue;
      if (!el.Set) {
        c.ShowMessage(std::string(sflSetNotAssigned));
        continue;
      }
      el.Set->SaveSet(out, *el.Object);
    }
  }
}

std::string TFileLoad::ProjectText() {
  TTextWriter out;
  WriteProject(out, false);
  return out.TakeText();
}

bool TFileLoad::ProjectTextEquals(std::string_view text) {
  TCompareWriter out(text);
  WriteProject(out, false);
  return out.Equal();
}

TLoadSaveResult TFileLoad::SaveProject() {
  if (loading_ || saving_) return TLoadSaveResult::Busy;
  saving_ = true;
  TScopeExit clear([this] { saving_ = false; });
  TAtomicFileWriter file;
  if (!file.Open(ProjectFile)) return TLoadSaveResult::Failed;

  progress_->Show(std::string(sflSaveFile));
  TScopeExit closePage([this] { progress_->Close(); });
  int64_t steps = 1 + content_->PortCount();
  for (int32_t s = 0, n = content_->SheetCount(); s < n; ++s) steps += content_->ElementCount(s);
  progress_->StartProgress(static_cast<int32_t>(std::min<int64_t>(steps, INT32_MAX)));
  TTextWriter out;
  WriteProject(out, true);
  if (!file.Commit(out.Text())) return TLoadSaveResult::Failed;
  progress_->SetProgress(100);
  return TLoadSaveResult::Done;
}

bool TFileLoad::ReadProject(TTextLines& lines) {
  const int64_t count = lines.Count();
  return LoadBlocks(*sets_, lines, [&] {
    if (count > 0)
      progress_->SetProgress(static_cast<int32_t>(lines.Position() * kReadPercent / count + 5));
    return !progress_->Cancelled();
  });
}

void TFileLoad::LoadProjectText(std::string text) {
  TTextLines lines(std::move(text));
  ReadProject(lines);
}

bool TFileLoad::IsProjectText(std::string_view text) const {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line[0] == 'Q' && sets_->FindForLine(line)) return true;
    pos = end + 1;
  }
  return false;
}

TFileLoad::TReadResult TFileLoad::ReadProjectFile(const std::string& fileName,
                                                  std::string& text) const {
  std::string read;
  if (!ReadTextFile(fileName, read)) return TReadResult::Unreadable;
  // Some other file chosen by mistake: loading it would give an empty
  // project that a Save then writes over the file.
  if (!IsProjectText(read)) return TReadResult::NoProject;
  text = std::move(read);
  return TReadResult::Ok;
}

TLoadSaveResult TFileLoad::LoadProject() {
  return Load(nullptr);
}

TLoadSaveResult TFileLoad::LoadProject(std::string text) {
  return Load(&text);
}

TLoadSaveResult TFileLoad::Load(std::string* given) {
  if (loading_ || saving_) return TLoadSaveResult::Busy;
  loading_ = true;
  TScopeExit clear([this] { loading_ = false; });
  progress_->Show(std::string(sflLoadFile));
  TScopeExit closePage([this] { progress_->Close(); });
  progress_->SetProgress(5);
  content_->HideListing();
  std::string text;
  if (given) {
    text = std::move(*given);
  } else if (ReadProjectFile(ProjectFile, text) != TReadResult::Ok) {
    return TLoadSaveResult::Failed;
  }
  {
    content_->BeginUpdate();
    TScopeExit endUpdate([this] { content_->EndUpdate(); });
    TTextLines lines(std::move(text));
    if (!ReadProject(lines)) return TLoadSaveResult::Cancelled;
  }
  // The steps after the reading take a quarter of a large load: the bar
  // moves on between them instead of standing still at its end.
  progress_->SetProgress(kReadPercent + 12);
  content_->UpdateFrames();
  progress_->SetProgress(kReadPercent + 18);
  content_->Loaded();
  progress_->SetProgress(100);
  return TLoadSaveResult::Done;
}

void InitFileLoader() {
  gFileLoad.reset();
  FileLoad = nullptr;
  gFLSetList = std::make_unique<TFLSetList>();
  FLSetList = gFLSetList.get();
  gFileLoad = std::make_unique<TFileLoad>(*gFLSetList);
  FileLoad = gFileLoad.get();
}

}  // namespace qx
