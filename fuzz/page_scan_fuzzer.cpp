// Generated pages hold whatever the user typed into their sections, so the page reader
// takes any bytes. Besides never crashing: every reference is a non-empty value with no
// blanks around it, every placeholder is a %%word%% of the input, and every path that
// stays in the site folder names only files below it.
#include "publisher/page_scan.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace pw::publisher;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckTarget(std::string_view value) {
    const ReferenceTarget target = LocateTarget(value);
    Check(target.place == TargetPlace::SiteFile || target.segments.empty());
    if (target.place != TargetPlace::SiteFile) return;
    Check(!target.segments.empty());
    for (const std::string& segment : target.segments) Check(!segment.empty() && segment != "." && segment != "..");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const PageReference& reference : FindReferences(input)) {
        Check(!reference.value.empty());
        Check(reference.value.front() != ' ' && reference.value.back() != ' ');
        CheckTarget(reference.value);
    }
    for (const std::string& placeholder : FindPlaceholders(input)) {
        Check(placeholder.size() > 4 && placeholder.starts_with("%%") && placeholder.ends_with("%%"));
        Check(input.find(placeholder) != std::string_view::npos);
    }
    CheckTarget(input);
    return 0;
}
