#pragma once
// Running Linux tools from native tests: the real judges of our PDFs.
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

CommandResult RunCommand(const std::string& command);
std::string Quote(const std::filesystem::path& path);

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // 3 bytes per pixel, rows top to bottom
};

bool ReadPnm(const std::filesystem::path& file, Raster& raster);
bool WritePpm(const std::filesystem::path& file, const Raster& raster);
// Renders one page (1-based) with pdftoppm.
bool RenderPage(const std::filesystem::path& pdf, int page, int dpi, Raster& raster);

}  // namespace testsupport
