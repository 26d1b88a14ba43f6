// The filter action: drops from the list every address that contains, ignoring ASCII
// letter case, any line of the filter file.
#ifndef VANTOR_ENGINE_FILTER_H_
#define VANTOR_ENGINE_FILTER_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/line_store.h"

namespace vantor {

class RunContext;

// Reads job().inputFileName, writes the kept lines to a temporary file and commits it.
void FilterList(RunContext& run);

// Turns one chunk of the filter file into fragments, in place in the reader's buffer:
// one CR and the spaces at both ends dropped (tabs stay), the text NUL-terminated and
// upper-cased. Appends the usable fragments to `fragments`, each up to its first NUL
// byte; a line that is empty then never matches. Returns how many it appended.
std::size_t PrepareFilterLines(LineStore& lines, std::vector<std::string_view>* fragments);

}  // namespace vantor

#endif  // VANTOR_ENGINE_FILTER_H_
