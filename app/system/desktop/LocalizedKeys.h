#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace snipstack {

// The locale messages are shown in: the first of LC_ALL, LC_MESSAGES and LANG that is set, as now.
std::string messagesLocale();

// The spellings of a localised key to try, best first, for a POSIX locale
// "lang_COUNTRY.ENCODING@MODIFIER": "Name" in sr_RS@latin gives Name[sr_RS@latin], Name[sr_RS],
// Name[sr@latin], Name[sr], Name. The C and POSIX locales, and none, give the key alone.
std::vector<std::string> localizedKeys(const std::string& key, std::string locale);

} // namespace snipstack
