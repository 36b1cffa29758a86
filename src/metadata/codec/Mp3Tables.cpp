#include "Mp3Tables.h"

namespace tunewalk::mp3tables {
namespace {

// Layers I, II, III of MPEG-1, then of MPEG-2 (and 2.5, which shares them).
constexpr int kStreamBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

constexpr int kSampleRates[2][4] = {{44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}};

constexpr std::string_view kModes[4] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono"};

// The spellings are the ones our users' tags have always shown; keep them as they are.
constexpr std::array<std::string_view, kGenreCount> kGenres = {"Blues",
                                                               "Classic Rock",
                                                               "Country",
                                                               "Dance",
                                                               "Disco",
                                                               "Funk",
                                                               "Grunge",
                                                               "Hip Hop",
                                                               "Jazz",
                                                               "Metal",
                                                               "New Age",
                                                               "Oldies",
                                                               "Other",
                                                               "Pop",
                                                               "Rhythm and Blues",
                                                               "Rap",
                                                               "Reggae",
                                                               "Rock",
                                                               "Techno",
                                                               "Industrial",
                                                               "Alternative",
                                                               "Ska",
                                                               "DeathMetal",
                                                               "Pranks",
                                                               "Soundtrack",
                                                               "Euro Techno",
                                                               "Ambient",
                                                               "Trip Hop",
                                                               "Vocal",
                                                               "Jazz Funk",
                                                               "Fusion",
                                                               "Trance",
                                                               "Classical",
                                                               "Instrumental",
                                                               "Acid",
                                                               "House",
                                                               "Game",
                                                               "Sound Clip",
                                                               "Gospel",
                                                               "Noise",
                                                               "Alternative Rock",
                                                               "Bass",
                                                               "Soul",
                                                               "Punk",
                                                               "Space",
                                                               "Meditative",
                                                               "Instrumental Pop",
                                                               "Instrumental Rock",
                                                               "Ethnic",
                                                               "Gothic",
                                                               "Darkwave",
                                                               "Techno Industrial",
                                                               "Electronic",
                                                               "Pop Folk",
                                                               "Eurodance",
                                                               "Dream",
                                                               "Southern Rock",
                                                               "Comedy",
                                                               "Cult",
                                                               "Gangsta",
                                                               "Top 40",
                                                               "Christian Rap",
                                                               "Pop Funk",
                                                               "Jungle",
                                                               "Native American",
                                                               "Cabaret",
                                                               "New Wave",
                                                               "Psychadelic",
                                                               "Rave",
                                                               "Show Tunes",
                                                               "Trailer",
                                                               "Lo Fi",
                                                               "Tribal",
                                                               "Acid Punk",
                                                               "Acid Jazz",
                                                               "Polka",
                                                               "Retro",
                                                               "Musical",
                                                               "Rock n Roll",
                                                               "Hard Rock",
                                                               "Folk",
                                                               "Folk Rock",
                                                               "National Folk",
                                                               "Swing",
                                                               "Fast Fusion",
                                                               "Bebob",
                                                               "Latin",
                                                               "Revival",
                                                               "Celtic",
                                                               "Bluegrass",
                                                               "Avantgarde",
                                                               "Gothic Rock",
                                                               "Progressive Rock",
                                                               "Psychedelic Rock",
                                                               "Symphonic Rock",
                                                               "Slow Rock",
                                                               "Big Band",
                                                               "Chorus",
                                                               "Easy Listening",
                                                               "Acoustic",
                                                               "Humour",
                                                               "Speech",
                                                               "Chanson",
                                                               "Opera",
                                                               "Chamber Music",
                                                               "Sonata",
                                                               "Symphony",
                                                               "Booty Bass",
                                                               "Primus",
                                                               "Porn Groove",
                                                               "Satire",
                                                               "Slow Jam",
                                                               "Club",
                                                               "Tango",
                                                               "Samba",
                                                               "Folklore",
                                                               "Ballad",
                                                               "Power Ballad",
                                                               "Rhytmic Soul",
                                                               "Freestyle",
                                                               "Duet",
                                                               "Punk Rock",
                                                               "Drum Solo",
                                                               "Acapella",
                                                               "Euro House",
                                                               "Dance Hall",
                                                               "Goa",
                                                               "Drum n Bass",
                                                               "Club House",
                                                               "Hardcore",
                                                               "Terror",
                                                               "Indie",
                                                               "Brit Pop",
                                                               "Negerpunk",
                                                               "Polsk Punk",
                                                               "Beat",
                                                               "Christian Gangsta Rap",
                                                               "Heavy Metal",
                                                               "Black Metal",
                                                               "Crossover",
                                                               "Contemporary Christian",
                                                               "Christian Rock",
                                                               "Merengue",
                                                               "Salsa",
                                                               "Trash Metal",
                                                               "Anime",
                                                               "J Pop",
                                                               "Synth Pop"};

} // namespace

int bitrate(std::uint8_t index, int version) {
    return streamBitrate(index, version, 3); // Layer III
}

int streamBitrate(std::uint8_t index, int version, int layer) {
    if ((version != 1 && version != 2) || layer < 1 || layer > 3 || index > 15) return 0;
    return kStreamBitrates[version - 1][layer - 1][index];
}

int sampleRate(std::uint8_t index, int version) {
    if ((version != 1 && version != 2) || index > 3) return 0;
    return kSampleRates[version - 1][index];
}

std::string_view channelMode(std::uint8_t index) {
    return index < 4 ? kModes[index] : std::string_view{};
}

std::string_view genreName(int id) {
    if (id >= 0 && id < kGenreCount) return kGenres[static_cast<std::size_t>(id)];
    return id == 255 ? "None" : "";
}

} // namespace tunewalk::mp3tables
