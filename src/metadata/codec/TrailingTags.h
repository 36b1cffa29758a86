#pragma once

#include <cstdint>

namespace tunewalk {

class BinaryFile;

// Where the audio ends before the APE and Lyrics3 tags that taggers put between the audio and
// the ID3v1 tag (or at the very end): `end` is the end of the audio part without the ID3v1 tag,
// `start` where the audio may begin at the earliest. Returns `end` when no such tag is there,
// -1 on a read error. A tag is taken only where its own markers and sizes agree, so audio is
// never cut short by a guess; and whether an ID3v1 tag follows does not matter, so saving one
// never changes what the audio is.
std::int64_t endBeforeTrailingTags(BinaryFile& file, std::int64_t start, std::int64_t end);

} // namespace tunewalk
