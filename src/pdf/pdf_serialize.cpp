#include <algorithm>
#include <new>

#include "pdf/pdf_document.h"

namespace {

void AppendObjectStart(std::string& out, std::int32_t number) {
  ipf_AppendInt(out, number);
  out += " 0 obj\n";
}

void AppendReference(std::string& out, std::string_view key, std::int32_t number) {
  out += key;
  ipf_AppendInt(out, number);
  out += " 0 R\n";
}

// A resources dictionary, from "<<" to its closing ">>\n": the font when
// named, then the images (the /XObject entry is written also when empty).
void AppendResources(std::string& t, const PdfDocument& d, bool font, const PdfImage* image) {
  t += "<<\n/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n";
  if (font) {
    t += "/Font <<\n/F";
    ipf_AppendInt(t, d.fontIndex);
    t += ' ';
    ipf_AppendInt(t, d.font.number);
    t += " 0 R\n>>\n";
  }
  t += "/XObject <<\n";
  if (image) {
    t += "/I";
    ipf_AppendInt(t, image->index);
    t += ' ';
    ipf_AppendInt(t, image->number);
    t += " 0 R\n";
  }
  t += ">>\n>>\n";
}

// A page names only what its content draws, written inside the page, so
// that a page taken out of the document carries its own image and no other.
// A page that draws nothing refers to the document's resources object, which
// holds what pages share (the procedure sets and the font).
std::string PageText(const PdfDocument& d, const PdfPage& page) {
  const PdfContent* content = page.content ? &d.contents[*page.content] : nullptr;
  const PdfImage* image = content && content->image ? &d.images[*content->image] : nullptr;
  const bool font = content && !content->fontOps.empty() && d.font.number != 0;
  std::string t;
  AppendObjectStart(t, page.number);
  t += "<<\n/Type /Page\n";
  AppendReference(t, "/Parent ", d.pagesNode.number);
  t += "/MediaBox [0 0 ";
  ipf_AppendReal(t, page.width);
  t += ' ';
  ipf_AppendReal(t, page.height);
  t += "]\n";
  if (image || font) {
    t += "/Resources ";
    AppendResources(t, d, font, image);
  } else {
    AppendReference(t, "/Resources ", d.resources.number);
  }
  t += "/Contents ";
  ipf_AppendInt(t, content ? content->number : 0);
  t += " 0 R>>\nendobj\n";
  return t;
}

std::string ContentText(PdfContent& content) {
  std::string body;
  for (const std::string* slot : {&content.imageOps, &content.fontOps, &content.textOps}) {
    if (!slot->empty()) {
      body += *slot;
      body += '\n';
    }
  }
  content.streamLength = static_cast<std::int64_t>(body.size());
  std::string t;
  AppendObjectStart(t, content.number);
  t += "<</Length ";
  ipf_AppendInt(t, content.streamLength);
  t += ">>\nstream\n";
  t += body;
  t += "\nendstream\nendobj\n";
  return t;
}

std::string PagesNodeText(const PdfDocument& d) {
  std::string t;
  AppendObjectStart(t, d.pagesNode.number);
  t += "<<\n/Type /Pages\n/Kids [ ";
  for (const PdfPage& page : d.pages) {
    ipf_AppendInt(t, page.number);
    t += " 0 R ";
  }
  t += "]\n/Count ";
  ipf_AppendInt(t, static_cast<std::int64_t>(d.pages.size()));
  t += "\n>>\nendobj\n";
  return t;
}

std::string ResourcesText(const PdfDocument& d) {
  std::string t;
  AppendObjectStart(t, d.resources.number);
  AppendResources(t, d, d.font.number != 0, nullptr);
  t += "endobj\n";
  return t;
}

std::string FontText(const PdfDocument& d) {
  std::string t;
  AppendObjectStart(t, d.font.number);
  t += "<<\n/Type /Font\n/BaseFont /";
  t += ipf_ToWinAnsi(d.fontName);
  t += "\n/Subtype /Type1\n/Encoding /WinAnsiEncoding\n>>\nendobj\n";
  return t;
}

void AppendInfoString(std::string& t, std::string_view key, const std::wstring& value) {
  t += key;
  t += ' ';
  t += ipf_InfoString(value);
  t += '\n';
}

std::string InfoText(const PdfDocument& d) {
  std::string t;
  AppendObjectStart(t, d.info.number);
  t += "<<\n";
  AppendInfoString(t, "/Producer", d.producer);
  if (!d.title.empty()) AppendInfoString(t, "/Title", d.title);
  if (!d.author.empty()) AppendInfoString(t, "/Author", d.author);
  if (!d.creator.empty()) AppendInfoString(t, "/Creator", d.creator);
  t += "/CreationDate (D:";
  t += ipf_CurrentCreationDate();
  t += ")\n>>\nendobj\n";
  return t;
}

std::string CatalogText(const PdfDocument& d) {
  std::string t;
  AppendObjectStart(t, d.catalog.number);
  t += "<<\n/Type /Catalog\n";
  AppendReference(t, "/Pages ", d.pagesNode.number);
  const std::int32_t firstPage = d.pages.empty() ? 0 : d.pages.front().number;
  switch (d.startupView) {
    case 1:
    case 2:
    case 3:
      t += "/OpenAction [";
      ipf_AppendInt(t, firstPage);
      t += d.startupView == 1 ? " 0 R /Fit]\n" : d.startupView == 2 ? " 0 R /FitH null]\n" : " 0 R /XYZ null null 1]\n";
      break;
    case 4:
      t += "/PageMode /FullScreen\n";
      break;
    default:
      break;
  }
  if (d.pageLayout == 1) t += "/PageLayout /SinglePage\n";
  else if (d.pageLayout == 2) t += "/PageLayout /OneColumn\n";
  t += ">>\nendobj\n";
  return t;
}

// Gives an object its place in the file: an xref entry, its offset and length.
void Place(PdfDocument& d, std::int64_t& running, std::int32_t number, std::int64_t& offset,
           std::int64_t& length, std::int64_t size) {
  ipf_CheckAllocation(1650);
  d.xrefEntries.push_back({number, running});
  offset = running;
  length = size;
  running += size;
}

void PlaceText(PdfDocument& d, std::int64_t& running, PdfObject& object, std::string text) {
  object.text = std::move(text);
  Place(d, running, object.number, object.offset, object.length, static_cast<std::int64_t>(object.text.size()));
}

std::string XrefText(PdfDocument& d) {
  std::sort(d.xrefEntries.begin(), d.xrefEntries.end(),
            [](const PdfXrefEntry& a, const PdfXrefEntry& b) { return a.number < b.number; });
  // Every number handed out normally belongs to exactly one written object.
  // A number that none carries (a font replaced by a second pdf_SetFont) is
  // listed as free, so that every entry still sits at its own number.
  const std::int32_t highest = d.xrefEntries.empty() ? 0 : d.xrefEntries.back().number;
  std::string t = "xref\n0 ";
  ipf_AppendInt(t, static_cast<std::int64_t>(highest) + 1);
  t += "\n0000000000 65535 f \n";
  std::int32_t expected = 1;
  for (const PdfXrefEntry& entry : d.xrefEntries) {
    for (; expected < entry.number; ++expected) t += "0000000000 65535 f \n";
    ipf_AppendOffset(t, entry.offset);
    t += " 00000 n \n";
    expected = entry.number + 1;
  }
  return t;
}

}  // namespace

std::int32_t ipf_LinkDataStructure() {
  PdfDocument& d = ipf_Document();
  if (!d.created) return kPdfOutOfMemory;  // the lists were never made
  try {
    std::int64_t running = 15;  // "%PDF-1.5\n%âãÏÓ\n"
    for (PdfPage& page : d.pages) PlaceText(d, running, page, PageText(d, page));
    for (PdfContent& content : d.contents) PlaceText(d, running, content, ContentText(content));
    PlaceText(d, running, d.pagesNode, PagesNodeText(d));
    PlaceText(d, running, d.resources, ResourcesText(d));
    if (d.font.number != 0) PlaceText(d, running, d.font, FontText(d));
    for (PdfImage& image : d.images) {
      ipf_BuildImageTexts(image);
      Place(d, running, image.number, image.offset, image.length, image.length);
      if (image.palette) {
        PdfPalette& palette = *image.palette;
        Place(d, running, palette.number, palette.offset, palette.length, palette.length);
      }
    }
    PlaceText(d, running, d.info, InfoText(d));
    PlaceText(d, running, d.catalog, CatalogText(d));

    d.xrefOffset = running;
    d.xrefText = XrefText(d);
    d.xrefLength = static_cast<std::int64_t>(d.xrefText.size());

    const std::int32_t highest = d.xrefEntries.empty() ? 0 : d.xrefEntries.back().number;
    std::string& t = d.trailerText;
    t = "trailer\n<<\n/Size ";
    ipf_AppendInt(t, static_cast<std::int64_t>(highest) + 1);
    t += '\n';
    AppendReference(t, "/Root ", d.catalog.number);
    AppendReference(t, "/Info ", d.info.number);
    t += ">>\n";
    d.trailerLength = static_cast<std::int64_t>(t.size());
  } catch (const std::bad_alloc&) {
    return kPdfOutOfMemory;
  }
  return kPdfOk;
}

std::int32_t ipf_WriteBuffer(platform::OutputFile& file, const void* data, std::int64_t length) {
  if (!file.IsOpen()) return kPdfInvalidParameters;
  if (length <= 0) return kPdfOk;
  // The size is checked around every piece so that a short write (a full
  // disk, a vanished network share) is caught where it happens.
  const std::int64_t before = file.Size();
  const bool written = file.Write(data, static_cast<std::size_t>(length));
  const std::int64_t after = file.Size();
  if (!written || before < 0 || after - before != length) return kPdfFileIoError;
  return kPdfOk;
}

std::int32_t ipf_WriteText(platform::OutputFile& file, const std::string& text) {
  return ipf_WriteBuffer(file, text.data(), static_cast<std::int64_t>(text.size()));
}

std::int32_t ipf_SavePdfToFile(platform::OutputFile& file) {
  PdfDocument& d = ipf_Document();
  static constexpr char kHeader[] = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  std::int32_t code = ipf_WriteBuffer(file, kHeader, 15);
  auto text = [&](const std::string& t) {
    if (code == kPdfOk) code = ipf_WriteText(file, t);
  };
  auto block = [&](std::vector<unsigned char>& data) {
    if (code == kPdfOk) code = ipf_WriteBuffer(file, data.data(), static_cast<std::int64_t>(data.size()));
    std::vector<unsigned char>().swap(data);  // released as soon as it is on disk
  };
  // Data from the spill file comes over in pieces of a few megabytes.
  std::vector<unsigned char> piece;
  auto spilled = [&](const PdfStreamObject& object) {
    for (std::int64_t done = 0; code == kPdfOk && done < object.spillLength;) {
      const std::int64_t n = std::min<std::int64_t>(object.spillLength - done, 4 << 20);
      piece.resize(static_cast<std::size_t>(n));
      if (!d.spill.ReadAt(object.spillOffset + done, piece.data(), piece.size())) code = kPdfFileIoError;
      else code = ipf_WriteBuffer(file, piece.data(), n);
      done += n;
    }
  };
  for (const PdfPage& page : d.pages) text(page.text);
  for (const PdfContent& content : d.contents) text(content.text);
  text(d.pagesNode.text);
  text(d.resources.text);
  if (d.font.number != 0) text(d.font.text);
  auto stream = [&](PdfStreamObject& object) {
    text(object.headerText);
    if (object.spillOffset >= 0) spilled(object);
    else block(object.data);
    text(object.trailerText);
  };
  for (PdfImage& image : d.images) {
    stream(image);
    if (image.palette) stream(*image.palette);
  }
  text(d.info.text);
  text(d.catalog.text);
  text(d.xrefText);
  text(d.trailerText);
  std::string tail = "startxref\n";
  ipf_AppendInt(tail, d.xrefOffset);
  tail += "\n%%EOF";
  text(tail);
  return code;
}

namespace {

// The new file is written beside the old one under a name of its own and
// takes the old one's place only when it is complete and on the disk.
platform::OutputFile CreateTemporarySave(const std::wstring& path, std::wstring& temp) {
  return ipf_CreateBeside(path + L".tmp", [&temp](const std::wstring& name) {
    temp = name;
    return platform::OutputFile::CreateNew(name);
  });
}

bool ReplaceableOutput(const std::wstring& path) {
  if (!platform::CanReplaceFile(path)) return false;
  std::wstring temp;
  platform::OutputFile probe = CreateTemporarySave(path, temp);
  if (!probe.IsOpen()) return false;
  probe.Close();
  platform::RemoveFile(temp);  // ours: created just now, under a name nobody had
  return true;
}

}  // namespace

std::int32_t pdf_CheckOutput(const std::wstring& path) {
  if (!ReplaceableOutput(path)) return ipf_SetError(kPdfFileCreationError, L"pdf_Save", 1625);
  return kPdfOk;
}

std::int32_t pdf_Save(const std::wstring& path) {
  PdfDocument& d = ipf_Document();
  // The image data went out with the first save; a second one would write a
  // damaged file over the good one, so it is refused before touching the file.
  if (d.saved) return ipf_SetError(kPdfInvalidParameters, L"pdf_Save", 1650);

  // A file a reader holds open cannot be replaced: say so before anything is written.
  if (!platform::CanReplaceFile(path)) return ipf_SetError(kPdfFileCreationError, L"pdf_Save", 1625);
  std::wstring temp;
  platform::OutputFile file = CreateTemporarySave(path, temp);
  if (!file.IsOpen()) return ipf_SetError(kPdfFileCreationError, L"pdf_Save", 1625);

  std::int32_t code = ipf_LinkDataStructure();
  if (code == kPdfOk) {
    d.saved = true;
    code = ipf_SavePdfToFile(file);
    // One sync at the end, not one per piece: a thousand-page document
    // would otherwise wait for the disk thousands of times.
    if (code == kPdfOk && !file.Sync()) code = kPdfFileIoError;
  }
  file.Close();
  d.spill.Close();  // the spilled data is in the PDF now, or never will be
  // A failed save leaves the older file of that name as it was.
  if (code != kPdfOk) {
    platform::RemoveFile(temp);
    return ipf_SetError(code, L"pdf_Save", 1650);
  }
  if (!platform::ReplaceFileWith(temp, path)) {
    platform::RemoveFile(temp);
    return ipf_SetError(kPdfFileCreationError, L"pdf_Save", 1625);
  }
  return kPdfOk;
}
