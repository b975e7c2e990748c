#include "WavFileWriter.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

void putLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xff));
}

void putTag(std::vector<unsigned char>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

} // namespace

WavFileWriter::WavFileWriter(const std::string& path, int sampleRate, int channels)
    : m_path(path)
    , m_file(std::fopen(path.c_str(), "wb"))
    , m_sampleRate(sampleRate)
    , m_channels(channels) {
    check(m_file != nullptr);
    writeHeader(0);
}

WavFileWriter::~WavFileWriter() {
    if (m_file)
        std::fclose(m_file);
}

void WavFileWriter::write(const std::int16_t* samples, std::size_t sampleCount) {
    std::vector<unsigned char> bytes;
    bytes.reserve(sampleCount * 2);
    for (std::size_t i = 0; i < sampleCount; ++i)
        putLittleEndian(bytes, static_cast<std::uint16_t>(samples[i]), 2);
    check(std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size());
    m_dataBytes += bytes.size();
}

void WavFileWriter::finish() {
    if (m_dataBytes > 0xffffffffULL - 36)
        throw std::runtime_error("the converted audio is too long for a WAV file");
    check(std::fseek(m_file, 0, SEEK_SET) == 0);
    writeHeader(static_cast<std::uint32_t>(m_dataBytes));
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    check(closed == 0);
}

void WavFileWriter::writeHeader(std::uint32_t dataBytes) {
    const auto blockAlign = static_cast<std::uint32_t>(m_channels * 2);
    std::vector<unsigned char> header;
    putTag(header, "RIFF");
    putLittleEndian(header, 36 + dataBytes, 4);
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    putLittleEndian(header, 16, 4);
    putLittleEndian(header, 1, 2); // PCM
    putLittleEndian(header, static_cast<std::uint32_t>(m_channels), 2);
    putLittleEndian(header, static_cast<std::uint32_t>(m_sampleRate), 4);
    putLittleEndian(header, static_cast<std::uint32_t>(m_sampleRate) * blockAlign, 4);
    putLittleEndian(header, blockAlign, 2);
    putLittleEndian(header, 16, 2);
    putTag(header, "data");
    putLittleEndian(header, dataBytes, 4);
    check(std::fwrite(header.data(), 1, header.size(), m_file) == header.size());
}

void WavFileWriter::check(bool ok) const {
    if (!ok)
        throw std::runtime_error("cannot write " + m_path + ": " + std::strerror(errno));
}
