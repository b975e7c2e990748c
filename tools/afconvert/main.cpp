// tallybrook-afconvert: the audio converter of platforms without /usr/bin/afconvert. Accepts
// exactly "-f WAVE -d LEI16@16000 SRC DST" and writes DST as 16 kHz 16-bit little-endian WAV.

#include "AudioTranscoder.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() != 6 || arguments[0] != "-f" || arguments[1] != "WAVE" || arguments[2] != "-d" ||
        arguments[3] != "LEI16@16000") {
        std::fprintf(stderr, "usage: tallybrook-afconvert -f WAVE -d LEI16@16000 SOURCE DESTINATION\n");
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    try {
        AudioTranscoder::transcode(arguments[4], arguments[5], 16000);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tallybrook-afconvert: %s\n", error.what());
        return 1;
    }
    return 0;
}
