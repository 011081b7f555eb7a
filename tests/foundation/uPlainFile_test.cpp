// Plain-file reads and writes: a FIFO, a device or a folder is refused at
// once (never waited for), a file above the limit is refused, a regular file
// is read or written, emptied or appended to.
#include "foundation/uPlainFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Fifo.h"

namespace qx {
namespace {

using test::ReturnsPromptly;
using test::TFifo;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PlainFile, AFifoIsRefusedAtOnceForReadingAndWriting) {
  TFifo fifo("pipe.png");
  ASSERT_TRUE(fifo.Ok());
  std::string text = "old";
  TPlainFileStatus st{};
  EXPECT_TRUE(ReturnsPromptly([&] { st = ReadPlainFile(fifo.Path(), 1000, text); }));
  EXPECT_EQ(st, TPlainFileStatus::NotRegular);
  EXPECT_TRUE(text.empty());
  for (const bool append : {false, true}) {
    std::FILE* f = nullptr;
    EXPECT_TRUE(ReturnsPromptly([&] { st = OpenPlainFileForWrite(fifo.Path(), append, f); }));
    EXPECT_EQ(st, TPlainFileStatus::NotRegular) << append;
    EXPECT_EQ(f, nullptr);
  }
}

TEST(PlainFile, DevicesFoldersAndMissingFiles) {
  struct Case {
    const char* path;
    TPlainFileStatus read, write;
  };
  TFifo scratch("unused");  // a fresh folder
  const std::string missing = scratch.Dir() + "/none.dat";
  const std::string noFolder = scratch.Dir() + "/no/such/file.dat";
  const Case cases[] = {
      {"/dev/zero", TPlainFileStatus::NotRegular, TPlainFileStatus::NotRegular},
      {"/dev/full", TPlainFileStatus::NotRegular, TPlainFileStatus::NotRegular},
      {"/tmp", TPlainFileStatus::OpenError, TPlainFileStatus::OpenError},
      {missing.c_str(), TPlainFileStatus::OpenError, TPlainFileStatus::Ok},
      {noFolder.c_str(), TPlainFileStatus::OpenError, TPlainFileStatus::OpenError},
      {"", TPlainFileStatus::OpenError, TPlainFileStatus::OpenError},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_EQ(ReadPlainFile(c.path, 1000, text), c.read) << c.path;
    std::FILE* f = nullptr;
    EXPECT_EQ(OpenPlainFileForWrite(c.path, false, f), c.write) << c.path;
    EXPECT_EQ(f != nullptr, c.write == TPlainFileStatus::Ok) << c.path;
    if (f) std::fclose(f);
  }
  ::unlink(missing.c_str());
}

TEST(PlainFile, ReadsUpToTheLimitAndWritesReplacingOrAppending) {
  TFifo scratch("unused");
  const std::string path = scratch.Dir() + "/rec.dat";
  std::FILE* f = nullptr;
  ASSERT_EQ(OpenPlainFileForWrite(path, false, f), TPlainFileStatus::Ok);
  std::fputs("0123456789", f);
  std::fclose(f);
  std::string text;
  EXPECT_EQ(ReadPlainFile(path, 10, text), TPlainFileStatus::Ok);
  EXPECT_EQ(text, "0123456789");
  EXPECT_EQ(ReadPlainFile(path, 9, text), TPlainFileStatus::TooLarge);
  EXPECT_TRUE(text.empty());

  ASSERT_EQ(OpenPlainFileForWrite(path, true, f), TPlainFileStatus::Ok);
  std::fputs("ab", f);
  std::fclose(f);
  EXPECT_EQ(Slurp(path), "0123456789ab");
  ASSERT_EQ(OpenPlainFileForWrite(path, false, f), TPlainFileStatus::Ok);
  std::fputs("x", f);
  std::fclose(f);
  EXPECT_EQ(Slurp(path), "x");
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace qx
