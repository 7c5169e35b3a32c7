#pragma once
// The document title a PDF gets from its own file name.
#include <string>

// The file part of path with every occurrence of "." + its extension removed:
// "C:\Out\book.pdf" gives "book", "a.pdf.b.pdf" gives "a.b".
std::wstring PdfTitleFromFileName(const std::wstring& path);
