// Packing a folder into a stored zip archive and unpacking one. Every failure
// throws std::runtime_error naming the file and the reason.
#pragma once
#include <string>

// Packs source into archive. source is "<folder>\*" (the folder's contents), a
// folder (packed under its own name) or a file. The archive is written beside its
// final name and renamed over it only when complete; the archive and that
// temporary file are never packed.
void PackArchive(const std::string& archive, const std::string& source);

// Unpacks archive into folder (created when missing), overwriting files. The whole
// central directory is checked first: compressed, encrypted or unsafe entries stop
// it before anything is written. A file whose checksum is wrong is deleted and the
// unpacking fails.
void ExtractArchive(const std::string& archive, const std::string& folder);
