// Where the browser control's pages come from: res://<module file>/<name> addresses read an HTML
// resource (RT_HTML) of a module, file: addresses and paths read a file of the machine, about:blank is
// the empty page. The machine has no network: every other address gives a page telling so, as does an
// address whose resource or file is not there.
#pragma once

#include <string>
#include <string_view>

#include "platform/shdocvw/html_document.h"

namespace platform::browser {

enum class PageOrigin { Document, NotFound, NotAvailable };

struct LoadedPage {
    PageOrigin origin = PageOrigin::Document;
    HtmlDocument document;
};

LoadedPage LoadPage(std::string_view address);

// A link's address as the page at `base` means it: absolute addresses and paths as they are, relative
// ones in the folder (or module) of the page.
std::string ResolveAddress(std::string_view base, std::string_view link);

}  // namespace platform::browser
