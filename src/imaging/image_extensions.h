#pragma once
// The file extensions this machine's image decoders read, for the "Images"
// filter of the open dialog. Portable: the decoders' own lists come in as
// the platform gives them ("*.BMP;*.DIB" from GDI+, ".bmp,.dib" from WIC).
#include <string>
#include <vector>

// The extensions (lower case, without dot) of the usual image files first,
// in the order users know them (jpg, jpeg, png, bmp, gif, tif, tiff), then
// those of each decoder list in turn. Each appears once; anything that is
// not a plain extension (empty, wildcards, spaces, separators) is left out.
std::vector<std::wstring> ReadableExtensions(const std::vector<std::wstring>& decoderLists);

// "*.jpg;*.jpeg;...": the extensions as an open dialog's pattern.
std::wstring ExtensionPatterns(const std::vector<std::wstring>& extensions);
