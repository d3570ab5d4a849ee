#pragma once
// Which files in airports/my_thirdparty the add-on airport scan wrote itself (its link files and generated
// airport files), so that a rescan removes those and keeps only the user's own files, moving them into
// airports/my_thirdparty_backup.
//
// The scan's workers note each file they wrote (any thread, under a small mutex); the driver, on the
// start-up thread, writes the record airports/my_thirdparty_scanned.txt at the end of the scan and reads it
// at the start of the next. A file counts as the scan's own only while its content is what the scan wrote:
// a generated file that the user changed since is the user's. A missing or damaged record makes every file
// the user's: moved aside, never removed.
//
// The record: one line per file, the 64 hexadecimal digits of the content's BLAKE2b-256 digest, one blank,
// the file name.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace skf {

// airports/my_thirdparty_scanned.txt
extern const std::filesystem::path g_myThirdpartyRecordPath;

// A worker wrote file into airports/my_thirdparty (other folders are not noted).
void gf_noteScanFile(const std::filesystem::path& file);

// Empties airports/my_thirdparty before a scan: the files of the record whose content is unchanged are
// removed; every other regular file is moved into airports/my_thirdparty_backup (an older backup of the
// same name and other content is kept, the new one gets a number), each with the scan-log line "{} moved to
// {}". A file that cannot be moved stays where it is (Log.txt says so). Forgets the noted files.
void lf_emptyThirdpartyFolder();

// Writes the record of the noted files that are still in the folder; false when it cannot be written.
bool gf_writeScanRecord();

// The record's text as file name -> digest; lines that are not a digest, a blank and a plain file name
// are passed over.
std::map<std::string, std::string> gf_parseScanRecord(std::string_view text);

// The digest of a file's content as 64 hexadecimal digits; empty when it cannot be read.
std::string gf_fileDigest(const std::filesystem::path& file);

} // namespace skf
