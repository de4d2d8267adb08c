#include "maintenance/zip_package.h"

#include <zip.h>

#include <cstdio>
#include <memory>

#include "maintenance/workbook.h"

namespace quillon {
namespace {

// What a template's parts may hold when unpacked; a damaged or hostile archive claiming more is
// refused before anything is allocated.
constexpr zip_uint64_t kMaxUnpackedBytes = 128ull * 1024 * 1024;

struct SourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct ArchiveDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscard>;
using EntryPtr = std::unique_ptr<zip_file_t, EntryClose>;

struct ZipError {
  ZipError() { zip_error_init(&error); }
  ~ZipError() { zip_error_fini(&error); }
  ZipError(const ZipError&) = delete;
  ZipError& operator=(const ZipError&) = delete;
  zip_error_t error;
};

WorkbookError NotAWorkbook(const std::string& bookPath) {
  return WorkbookError("Файл " + bookPath + " не является книгой Excel");
}

WorkbookError Damaged(const std::string& bookPath, const std::string& entry) {
  return WorkbookError("Файл " + bookPath + " повреждён или зашифрован: часть " + entry + " не читается");
}

std::string ReadEntry(zip_t* archive, zip_uint64_t index, const std::string& name, zip_uint64_t& budget,
                      const std::string& bookPath) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) throw Damaged(bookPath, name);
  if (stat.size > budget) throw WorkbookError("Файл " + bookPath + " слишком велик для шаблона книги Excel");
  budget -= stat.size;
  EntryPtr file(zip_fopen_index(archive, index, 0));
  if (!file) throw Damaged(bookPath, name);
  std::string data(static_cast<std::size_t>(stat.size), '\0');
  zip_uint64_t done = 0;
  while (done < stat.size) {
    const zip_int64_t n = zip_fread(file.get(), data.data() + done, stat.size - done);
    if (n <= 0) throw Damaged(bookPath, name);
    done += static_cast<zip_uint64_t>(n);
  }
  char extra = 0;
  if (zip_fread(file.get(), &extra, 1) != 0) throw Damaged(bookPath, name);
  return data;
}

}  // namespace

std::vector<PackageEntry> ReadZipEntries(const std::string& bytes, const std::string& bookPath) {
  ZipError error;
  SourcePtr source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error.error));
  if (!source) throw NotAWorkbook(bookPath);
  ArchivePtr archive(zip_open_from_source(source.get(), ZIP_RDONLY, &error.error));
  if (!archive) throw NotAWorkbook(bookPath);
  // The archive owns the source now; discarding the archive frees it.
  (void)source.release();

  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  std::vector<PackageEntry> entries;
  zip_uint64_t budget = kMaxUnpackedBytes;
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
    if (!name) throw Damaged(bookPath, "№" + std::to_string(i + 1));
    PackageEntry entry;
    entry.name = name;
    entry.directory = !entry.name.empty() && entry.name.back() == '/';
    if (!entry.directory) entry.data = ReadEntry(archive.get(), index, entry.name, budget, bookPath);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string BuildZip(const std::vector<PackageEntry>& entries, const std::string& targetPath) {
  const auto failed = [&](const std::string& reason) {
    return WorkbookError("Не удалось сохранить книгу " + targetPath + ": " + reason);
  };
  ZipError error;
  SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error.error));
  if (!buffer) throw failed(zip_error_strerror(&error.error));
  ArchivePtr archive(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error.error));
  if (!archive) throw failed(zip_error_strerror(&error.error));
  // One reference for the archive, one kept to read the built archive back after closing it.
  zip_source_keep(buffer.get());

  for (const auto& entry : entries) {
    if (entry.directory) {
      if (zip_dir_add(archive.get(), entry.name.c_str(), ZIP_FL_ENC_UTF_8) < 0) {
        throw failed(zip_strerror(archive.get()));
      }
      continue;
    }
    SourcePtr data(zip_source_buffer(archive.get(), entry.data.data(), entry.data.size(), 0));
    if (!data) throw failed(zip_strerror(archive.get()));
    const zip_int64_t index = zip_file_add(archive.get(), entry.name.c_str(), data.get(), ZIP_FL_ENC_UTF_8);
    if (index < 0) throw failed(zip_strerror(archive.get()));
    (void)data.release();
    // zlib's own default level: the strongest, which libzip would take, needs four times as long
    // for a large sheet and makes it only 7 % smaller.
    if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6) != 0) {
      throw failed(zip_strerror(archive.get()));
    }
  }
  if (zip_close(archive.get()) != 0) throw failed(zip_strerror(archive.get()));
  (void)archive.release();

  if (zip_source_is_deleted(buffer.get())) return {};
  if (zip_source_open(buffer.get()) != 0) throw failed(zip_error_strerror(zip_source_error(buffer.get())));
  std::string bytes;
  if (zip_source_seek(buffer.get(), 0, SEEK_END) == 0) {
    const zip_int64_t size = zip_source_tell(buffer.get());
    if (size > 0 && zip_source_seek(buffer.get(), 0, SEEK_SET) == 0) {
      bytes.resize(static_cast<std::size_t>(size));
      if (zip_source_read(buffer.get(), bytes.data(), bytes.size()) != size) bytes.clear();
    }
  }
  zip_source_close(buffer.get());
  if (bytes.empty()) throw failed("архив не собран");
  return bytes;
}

}  // namespace quillon
