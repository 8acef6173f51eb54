#pragma once

#include <string>
#include <vector>

namespace pellavane {

/** One file of a history cut by log rotation: a piece cut off, or the file still written. */
struct RotatedPiece
{
    std::string path;
    /** Compressed with gzip (its name ends in ".gz"). */
    bool gzip = false;
};

/** A file and the pieces rotation cut from it, oldest first. */
struct RotatedSet
{
    /** The pieces, the file itself last when it exists. */
    std::vector<RotatedPiece> pieces;
    /** Pieces compressed in a form not read here (".xz", ".bz2", ".zst", ...), by path. */
    std::vector<std::string> unread;
};

/** Which names in a folder are pieces of the file named name, as logrotate names them: NAME.N and
 *  NAME.N.gz (the higher N the older), and with dateext NAME-YYYYMMDD and NAME-YYYYMMDD.gz (the
 *  earlier date the older; longer date forms such as an added hour sort the same way). Numbered pieces
 *  come before dated ones, since dateext is the setting one turns on later. Returns names, not paths:
 *  the pieces in oldest-first order without the file itself, and the unread ones in unread. */
std::vector<std::string> OrderPieceNames(const std::string& name, const std::vector<std::string>& folder,
                                         std::vector<std::string>& unread);

/** The file at path and its pieces in its folder. Never throws: a folder that cannot be listed has no
 *  pieces. */
RotatedSet FindRotatedPieces(const std::string& path);

/** True when the file at path or any piece of it exists. */
bool AnyPieceExists(const std::string& path);

} // namespace pellavane
