// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/HeifImage.h"

#include <cstdint>
#include <libheif/heif.h>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace kelvara {

namespace {

struct THeifContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct THeifHandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

std::uint64_t BigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (const char byte : bytes)
        value = (value << 8) | static_cast<unsigned char>(byte);
    return value;
}

// An ISO media file is a row of boxes, each led by its size. The decoder reads
// only the boxes that describe the images and would not notice the image
// data itself missing, as it is from a file whose copy or download was cut
// short: its last box is then incomplete. Only the boxes' heads are read.
bool BoxesAreWhole(TPhotoSource& source) {
    const std::int64_t total = source.Size();
    std::int64_t at = 0;
    while (at < total) {
        char header[16];
        const std::int64_t got = source.ReadInto(at, header, sizeof header);
        const std::string_view head(header, static_cast<size_t>(got));
        if (head.size() < 8)
            return false;
        std::uint64_t size = BigEndian(head.substr(0, 4));
        std::uint64_t headerSize = 8;
        if (size == 0)
            return true; // the last box, running to the end of the file
        if (size == 1) {
            if (head.size() < 16)
                return false;
            size = BigEndian(head.substr(8, 8));
            headerSize = 16;
        }
        if (size < headerSize || size > static_cast<std::uint64_t>(total - at))
            return false;
        at += static_cast<std::int64_t>(size);
    }
    return true;
}

// The decoder's view of a file that is read where the decoder looks; it
// answers as the decoder's own memory reader does for the whole content.
struct TSourceReader {
    TPhotoSource& source;
    std::int64_t position = 0;
};

std::int64_t ReaderPosition(void* reader) {
    return static_cast<TSourceReader*>(reader)->position;
}

int ReaderRead(void* data, size_t size, void* reader) {
    auto& self = *static_cast<TSourceReader*>(reader);
    const auto wanted = static_cast<std::int64_t>(size);
    if (self.position + wanted > self.source.Size())
        return 1;
    const std::int64_t got = self.source.ReadInto(self.position, static_cast<char*>(data), wanted);
    self.position += got;
    return got == wanted ? 0 : 1;
}

int ReaderSeek(std::int64_t position, void* reader) {
    auto& self = *static_cast<TSourceReader*>(reader);
    if (position < 0 || position > self.source.Size())
        return 1;
    self.position = position;
    return 0;
}

heif_reader_grow_status ReaderWaitForFileSize(std::int64_t size, void* reader) {
    return size > static_cast<TSourceReader*>(reader)->source.Size()
               ? heif_reader_grow_status_size_beyond_eof
               : heif_reader_grow_status_size_reached;
}

constexpr heif_reader SourceReader = {1, ReaderPosition, ReaderRead, ReaderSeek,
                                      ReaderWaitForFileSize};

// An open file and its primary image.
struct THeifFile {
    // Before the context, which reads through it until it goes.
    std::unique_ptr<TSourceReader> reader;
    std::unique_ptr<heif_context, THeifContextFree> context;
    std::unique_ptr<heif_image_handle, THeifHandleRelease> primary;
    TPixelSize size;
};

std::optional<THeifFile> OpenHeif(TPhotoSource& source) {
    // Every file of the family opens with its file type box; anything else is
    // turned away before the decoder is troubled.
    const std::string_view head = ByteText(source.Head());
    if (head.size() < 12 || head.substr(4, 4) != "ftyp" || !BoxesAreWhole(source))
        return std::nullopt;

    THeifFile file;
    file.context.reset(heif_context_alloc());
    if (!file.context)
        throw std::bad_alloc();
    heif_error opened{};
    if (const TBytes* whole = source.Whole()) {
        // The content outlives the context, so the decoder may read it in place.
        opened = heif_context_read_from_memory_without_copy(file.context.get(), whole->data(),
                                                            whole->size(), nullptr);
    } else {
        file.reader = std::make_unique<TSourceReader>(TSourceReader{source});
        opened = heif_context_read_from_reader(file.context.get(), &SourceReader, file.reader.get(),
                                               nullptr);
    }
    if (opened.code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(file.context.get(), &handle).code != heif_error_Ok)
        return std::nullopt;
    file.primary.reset(handle);

    // The coding header (hvcC, av1C) tells the bit depth; without one the
    // image could not be decoded.
    if (heif_image_handle_get_luma_bits_per_pixel(handle) <= 0)
        return std::nullopt;
    // The size as stored, which other metadata readers report too; the
    // handle's plain width and height are those after rotation and crop.
    file.size = TPixelSize{heif_image_handle_get_ispe_width(handle),
                           heif_image_handle_get_ispe_height(handle)};
    if (file.size.IsEmpty())
        return std::nullopt;
    return file;
}

// One metadata block of the primary image as stored; empty when it cannot be
// read (its data lies outside the file, for one).
TBytes MetadataBlock(heif_image_handle* primary, heif_item_id id) {
    TBytes block(heif_image_handle_get_metadata_size(primary, id));
    if (block.empty() ||
        heif_image_handle_get_metadata(primary, id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}

std::vector<heif_item_id> MetadataIds(heif_image_handle* primary, const char* type) {
    std::vector<heif_item_id> ids(
        static_cast<size_t>(heif_image_handle_get_number_of_metadata_blocks(primary, type)));
    ids.resize(static_cast<size_t>(heif_image_handle_get_list_of_metadata_block_IDs(
        primary, type, ids.data(), static_cast<int>(ids.size()))));
    return ids;
}

// The Exif block starts with the offset of its TIFF header from the end of
// those four bytes: usually 6, to pass an "Exif\0\0" marker. A writer that
// gives 0 with the marker still there has it skipped here.
TBytes TiffPart(const TBytes& block) {
    if (block.size() < 4)
        return {};
    const std::uint64_t offset = BigEndian(ByteText(block).substr(0, 4));
    if (offset > static_cast<std::uint64_t>(block.size() - 4))
        return {};
    std::string_view tiff = ByteText(block).substr(4 + static_cast<std::size_t>(offset));
    if (tiff.starts_with(std::string_view("Exif\0\0", 6)))
        tiff.remove_prefix(6);
    return BytesOf(tiff);
}

} // namespace

std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(TPhotoSource& source) {
    const auto file = OpenHeif(source);
    if (!file)
        return std::nullopt;
    THeifPrimaryImage image;
    image.size = file->size;
    heif_image_handle* primary = file->primary.get();
    for (const heif_item_id id : MetadataIds(primary, "Exif")) {
        image.exif = TiffPart(MetadataBlock(primary, id));
        if (!image.exif.empty())
            break;
    }
    for (const heif_item_id id : MetadataIds(primary, "mime")) {
        const char* type = heif_image_handle_get_metadata_content_type(primary, id);
        if (type != nullptr && std::string_view(type) == "application/rdf+xml") {
            image.xmp = MetadataBlock(primary, id);
            if (!image.xmp.empty())
                break;
        }
    }
    return image;
}

std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(const TBytes& content) {
    TContentSource source(content);
    return ReadHeifPrimaryImage(source);
}

std::optional<TPixelSize> ReadHeifPrimarySize(TPhotoSource& source) {
    if (const auto file = OpenHeif(source))
        return file->size;
    return std::nullopt;
}

std::optional<TPixelSize> ReadHeifPrimarySize(const TBytes& content) {
    TContentSource source(content);
    return ReadHeifPrimarySize(source);
}

} // namespace kelvara
