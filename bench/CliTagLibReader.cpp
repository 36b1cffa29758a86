// The yardstick for `tunewalk-tag show` as a whole process: TagLib's fast read of the fields the
// tool prints for an MP3 file, one line per file (tab-separated: cheaper to print than the tool's
// JSON, so the comparison does not flatter the tool).
//
//   tunewalk-bench-cli-taglib FILE...

#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/tag.h>

#include <cstdio>

int main(int argc, char** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        TagLib::MPEG::File file(argv[i], true, TagLib::AudioProperties::Fast);
        const TagLib::Tag* tag = file.isValid() ? file.tag() : nullptr;
        const TagLib::MPEG::Properties* p = file.isValid() ? file.audioProperties() : nullptr;
        if (!tag || !p) {
            ++failed;
            std::printf("%s\tfailed\n", argv[i]);
            continue;
        }
        std::printf("%s\t%s\t%s\t%s\t%u\t%s\t%s\t%d\t%d\t%d\t%d\t%d\n", argv[i],
                    tag->title().toCString(true), tag->artist().toCString(true),
                    tag->album().toCString(true), tag->year(), tag->comment().toCString(true),
                    tag->genre().toCString(true), static_cast<int>(p->version()), p->bitrate(),
                    p->sampleRate(), static_cast<int>(p->channelMode()), p->lengthInSeconds());
    }
    return failed ? 1 : 0;
}
