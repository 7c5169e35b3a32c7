#include "support/host_tools.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace testsupport {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buf{};
  std::size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) result.output.append(buf.data(), n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::filesystem::path& path) {
  std::string out = "'";
  for (const char c : path.string()) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

bool ReadPnm(const std::filesystem::path& file, Raster& raster) {
  const std::string bytes = ReadText(file);
  std::istringstream in(bytes);
  std::string magic;
  int maxValue = 0;
  in >> magic >> raster.width >> raster.height >> maxValue;
  if ((magic != "P6" && magic != "P5") || maxValue != 255) return false;
  in.get();
  const int channels = magic == "P6" ? 3 : 1;
  const std::size_t count = static_cast<std::size_t>(raster.width) * static_cast<std::size_t>(raster.height);
  const std::size_t start = static_cast<std::size_t>(in.tellg());
  if (bytes.size() < start + count * static_cast<std::size_t>(channels)) return false;
  raster.rgb.resize(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      raster.rgb[i * 3 + static_cast<std::size_t>(c)] =
          static_cast<unsigned char>(bytes[start + i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channels == 3 ? c : 0)]);
    }
  }
  return true;
}

bool WritePpm(const std::filesystem::path& file, const Raster& raster) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << raster.width << ' ' << raster.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(raster.rgb.data()), static_cast<std::streamsize>(raster.rgb.size()));
  return static_cast<bool>(out);
}

bool RenderPage(const std::filesystem::path& pdf, int page, int dpi, Raster& raster) {
  const std::filesystem::path prefix = pdf.parent_path() / ("render-" + std::to_string(page));
  const CommandResult r = RunCommand("pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) +
                                     " -l " + std::to_string(page) + " -singlefile " + Quote(pdf) + " " +
                                     Quote(prefix));
  if (r.exitCode != 0) return false;
  return ReadPnm(prefix.string() + ".ppm", raster);
}

}  // namespace testsupport
