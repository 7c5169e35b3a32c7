// How close the writer comes to the disk: a 1,000-page document with one
// 1 MB JPEG per page, built and saved, against the same bytes written with
// plain write calls. Run through bench/pdf_save_bench.sh for the ratio.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pdf/pdf.h"

namespace {

constexpr int kPages = 1000;
constexpr std::size_t kJpegSize = 1 << 20;

const std::vector<unsigned char>& Jpeg() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> d(kJpegSize);
    std::mt19937 rng(1);
    for (auto& b : d) b = static_cast<unsigned char>(rng());
    d[0] = 0xFF, d[1] = 0xD8, d[kJpegSize - 2] = 0xFF, d[kJpegSize - 1] = 0xD9;
    return d;
  }();
  return data;
}

std::filesystem::path OutputPath(const char* name) {
  return std::filesystem::temp_directory_path() / name;
}

// take: 0 copies each block (the caller keeps its own), 1 hands the block
// over, as the build does with the block the image preparation made.
void BM_WriterBuildAndSave(benchmark::State& state) {
  const bool take = state.range(0) != 0;
  const auto& jpeg = Jpeg();
  const std::wstring path = OutputPath("quillon-bench-writer.pdf").wstring();
  std::int64_t bytes = 0;
  std::vector<std::vector<unsigned char>> blocks;
  for (auto _ : state) {
    if (take) {
      // Making the blocks is the image preparation's work, not the writer's.
      state.PauseTiming();
      blocks.assign(kPages, jpeg);
      state.ResumeTiming();
    }
    pdf_Reset();
    pdf_Create(1, L"595.28,841.89", 2);
    pdf_SetFont(L"Helvetica", 10);
    for (int i = 0; i < kPages; ++i) {
      pdf_AddPage(-1, L"");
      const std::wstring name = L"C:\\photos\\img" + std::to_wstring(i) + L".jpg";
      if (take) {
        pdf_ImageFromMem(name, 1, 1, std::move(blocks[static_cast<std::size_t>(i)]), 100, 80, 0, 0, 210, 297);
      } else {
        pdf_ImageFromMem(name, 1, 1, jpeg.data(), static_cast<int>(jpeg.size()), 100, 80, 0, 0, 210, 297);
      }
      pdf_SetPosition(0, 0);
      pdf_TextBox(210, 10, name, 0, 2);
    }
    if (pdf_Save(path) != 0) state.SkipWithError("save failed");
    pdf_Reset();
    bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  state.SetBytesProcessed(bytes * state.iterations());
  std::filesystem::remove(path);
}

void BM_PlainWrite(benchmark::State& state) {
  const auto& jpeg = Jpeg();
  const std::string path = OutputPath("quillon-bench-plain.bin").string();
  // The same bytes in the same number of pieces: texts around each image.
  const std::string text(600, 't');
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bytes = 0;
    for (int i = 0; i < kPages; ++i) {
      bytes += ::write(fd, text.data(), text.size());
      bytes += ::write(fd, jpeg.data(), jpeg.size());
    }
    ::fsync(fd);
    ::close(fd);
  }
  state.SetBytesProcessed(bytes * state.iterations());
  std::filesystem::remove(path);
}

BENCHMARK(BM_WriterBuildAndSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
