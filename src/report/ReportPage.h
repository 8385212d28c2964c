// The report page: one self-contained HTML file with inline SVG charts and German texts.
#pragma once

#include <string>
#include <vector>

#include "report/LogFigures.h"

// Its size depends on the number of buckets and the labels' bounded length, never on the rows:
// it stays well under 2 MB for any log. germanCopy, when not empty, is the German copy's path,
// relative to the page's folder or whole, which the page links to: its one link.
std::string renderPage(const LogFigures& figures, const std::vector<std::string>& logNames,
                       const std::string& germanCopy = {});
