// The window's texts in the language the window shows: every caption, button, menu entry and
// message comes from the string table through here. The console program, the scan log and the
// JSON report keep their English texts and never come here.
#pragma once

#include "engine/issue_model.h"
#include "ui/resource_ids.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

// The language block the window shows; English (0) until activation has read the setting.
std::int32_t WindowLanguage();
void SetWindowLanguage(std::int32_t language);

// Text `id` (an IDS_ offset) of the window's language, with %1 ... %9 filled in.
std::string Text(int id, const std::vector<std::string>& values = {});
// "Text" without its access-key marks: the words as the control shows them.
std::string WithoutAccessKey(const std::string& text);

// The name of a node of the category tree.
std::string CategoryText(const TLevel& level);
// The problem text of an issue as the list shows it; a text the table does not know is shown
// as the scanner wrote it.
std::string ProblemText(const std::string& problem);

// Why `issue` is reported, in the window's language: its certainty, then one line per piece of
// evidence ("File C:\App\x.dll: absent"), lines separated by CR LF.
std::string EvidenceText(const TItem& issue);

} // namespace mendrake
