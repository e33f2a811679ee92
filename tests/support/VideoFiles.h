// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Video files as cameras and phones write them, for tests and benchmarks: the
// real container headers (a QuickTime or MP4 file-type box with its brands,
// RIFF AVI, MPEG transport stream packets, Matroska's EBML header, ...), then
// the bulk, either pseudo-random bytes written to disk or a hole that takes no
// disk space. Header-only, so that the benchmarks can use it without the test
// framework.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace kelvara::test {

enum class VideoKind {
    QuickTime,        // .MOV: 'ftyp' major brand 'qt  '
    Mp4,              // .MP4: 'isom' with 'iso2', 'avc1', 'mp41'
    Mp4Phone,         // .MP4: 'mp42' with 'isom', 'mp41'
    ThreeGp,          // .3GP: '3gp4'
    ClassicQuickTime, // .MOV of older cameras: no 'ftyp', a 'moov' atom first
    Avi,              // .AVI: RIFF 'AVI ' with its header list
    TransportStream,  // .TS: 188-byte packets
    Avchd,            // .MTS, .M2TS: 192-byte packets (a time code before each)
    Matroska,         // .MKV: the EBML header, doc type "matroska"
    MpegProgram,      // .MPG, .MOD: a pack header
    Asf,              // .WMV
};

inline const std::vector<VideoKind>& AllVideoKinds() {
    static const std::vector<VideoKind> kinds = {VideoKind::QuickTime,
                                                 VideoKind::Mp4,
                                                 VideoKind::Mp4Phone,
                                                 VideoKind::ThreeGp,
                                                 VideoKind::ClassicQuickTime,
                                                 VideoKind::Avi,
                                                 VideoKind::TransportStream,
                                                 VideoKind::Avchd,
                                                 VideoKind::Matroska,
                                                 VideoKind::MpegProgram,
                                                 VideoKind::Asf};
    return kinds;
}

inline const char* VideoExtension(VideoKind kind) {
    switch (kind) {
    case VideoKind::QuickTime:
    case VideoKind::ClassicQuickTime:
        return ".MOV";
    case VideoKind::Mp4:
    case VideoKind::Mp4Phone:
        return ".MP4";
    case VideoKind::ThreeGp:
        return ".3GP";
    case VideoKind::Avi:
        return ".AVI";
    case VideoKind::TransportStream:
        return ".TS";
    case VideoKind::Avchd:
        return ".MTS";
    case VideoKind::Matroska:
        return ".MKV";
    case VideoKind::MpegProgram:
        return ".MPG";
    case VideoKind::Asf:
        return ".WMV";
    }
    return ".BIN";
}

namespace video_detail {

inline std::string Be32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    return bytes;
}

inline std::string Le32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

inline std::string Box(const std::string& type, const std::string& payload) {
    return Be32(static_cast<std::uint32_t>(8 + payload.size())) + type + payload;
}

inline std::string FileType(const std::string& major, const std::vector<std::string>& compatible) {
    std::string payload = major + Be32(0x200);
    for (const std::string& brand : compatible)
        payload += brand;
    return Box("ftyp", payload);
}

// A movie box with a movie header (the duration and time scale a player
// reads first); enough for a container that looks whole.
inline std::string Movie() {
    std::string mvhd(100, '\0');
    mvhd.replace(12, 4, Be32(600));  // time scale
    mvhd.replace(16, 4, Be32(6000)); // duration: 10 s
    return Box("moov", Box("mvhd", mvhd));
}

// The head of a media data box of `total` bytes, so that the box runs to the
// end of a file of that size.
inline std::string MediaDataHead(std::uint64_t total, std::uint64_t before) {
    const std::uint64_t size = total - before;
    if (size > 0xFFFFFFFFu) {
        std::string head = Be32(1) + "mdat";
        for (int i = 7; i >= 0; --i)
            head.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
        return head;
    }
    return Be32(static_cast<std::uint32_t>(size)) + "mdat";
}

// One transport stream packet: the sync byte, a PID, a counter, the rest
// `fill`.
inline std::string TransportPacket(std::uint32_t counter, char fill) {
    std::string packet(188, fill);
    packet[0] = '\x47';
    packet[1] = '\x01';
    packet[2] = '\x00';
    packet[3] = static_cast<char>(0x10 | (counter & 0x0F));
    return packet;
}

} // namespace video_detail

// The first bytes of a video of `kind` in a file of `total` bytes: what a
// camera writes before the media data. For the transport streams, packets
// enough to cover more than 64 KiB.
inline std::string VideoHead(VideoKind kind, std::uint64_t total) {
    using namespace video_detail;
    switch (kind) {
    case VideoKind::QuickTime: {
        const std::string head = FileType("qt  ", {"qt  "}) + Movie();
        return head + MediaDataHead(total, head.size());
    }
    case VideoKind::Mp4: {
        const std::string head = FileType("isom", {"isom", "iso2", "avc1", "mp41"}) + Movie();
        return head + MediaDataHead(total, head.size());
    }
    case VideoKind::Mp4Phone: {
        const std::string head = FileType("mp42", {"isom", "mp41", "mp42"}) + Movie();
        return head + MediaDataHead(total, head.size());
    }
    case VideoKind::ThreeGp: {
        const std::string head = FileType("3gp4", {"isom", "3gp4"}) + Movie();
        return head + MediaDataHead(total, head.size());
    }
    case VideoKind::ClassicQuickTime: {
        const std::string head = Movie();
        return head + MediaDataHead(total, head.size());
    }
    case VideoKind::Avi: {
        std::string avih(56, '\0');
        avih.replace(0, 4, Le32(33333)); // microseconds per frame
        const std::string headerList =
            "LIST" + Le32(4 + 8 + 56) + "hdrl" + "avih" + Le32(56) + avih;
        const auto movieSize = static_cast<std::uint32_t>(total - 12 - headerList.size() - 8);
        return "RIFF" + Le32(static_cast<std::uint32_t>(total - 8)) + "AVI " + headerList + "LIST" +
               Le32(movieSize) + "movi";
    }
    case VideoKind::TransportStream:
    case VideoKind::Avchd: {
        std::string head;
        for (std::uint32_t i = 0; head.size() < 70 * 1024; ++i) {
            if (kind == VideoKind::Avchd)
                head += Be32(i * 1800); // the packet's arrival time
            head += TransportPacket(i, '\xFF');
        }
        return head;
    }
    case VideoKind::Matroska:
        return std::string("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\xF7\x81\x01\x42\xF2\x81\x04"
                           "\x42\xF3\x81\x08\x42\x82\x88matroska\x42\x87\x81\x04\x42\x85\x81\x02",
                           40) +
               std::string("\x18\x53\x80\x67\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12);
    case VideoKind::MpegProgram:
        return std::string("\x00\x00\x01\xBA\x44\x00\x04\x00\x04\x01\x01\x89\xC3\xF8", 14) +
               std::string("\x00\x00\x01\xBB\x00\x12", 6);
    case VideoKind::Asf:
        return std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16) +
               std::string(14, '\0');
    }
    return {};
}

// Writes a video of `kind`, `total` bytes long, at `path`. With `sparse` the
// bulk after the head is a hole (no disk space; reads give zeros, which for a
// transport stream are no packets); otherwise pseudo-random bytes (packets of
// them for a transport stream), really written.
inline void WriteVideo(const std::string& path, VideoKind kind, std::uint64_t total, bool sparse) {
    const std::string head = VideoHead(kind, total);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    if (sparse) {
        out.close();
        if (::truncate(path.c_str(), static_cast<off_t>(total)) != 0)
            throw std::runtime_error("cannot size " + path);
        return;
    }
    const bool packets = kind == VideoKind::TransportStream || kind == VideoKind::Avchd;
    const std::size_t packet = kind == VideoKind::Avchd ? 192 : 188;
    // About a MiB, whole packets of a transport stream, whole 8-byte words.
    std::vector<char> chunk(packets ? packet * 8 * 697 : std::size_t{1} << 20);
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint64_t written = head.size();
    while (written < total) {
        for (std::size_t i = 0; i < chunk.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(chunk.data() + i, &state, 8);
        }
        if (packets) {
            const std::size_t first = kind == VideoKind::Avchd ? 4 : 0;
            for (std::size_t at = first; at < chunk.size(); at += packet)
                chunk[at] = '\x47';
        }
        const std::uint64_t count = std::min<std::uint64_t>(chunk.size(), total - written);
        out.write(chunk.data(), static_cast<std::streamsize>(count));
        written += count;
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace kelvara::test
