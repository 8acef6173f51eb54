#pragma once

#include <string>

// Values derived from the product's display name.

namespace pellavane {

inline constexpr const char* kDisplayName = "Pellavane";

/** name without its last word when that word is word (any last word when word is empty). */
std::string DropTrailingWord(const std::string& name, const std::string& word);

/** text without the characters that do not belong in a file name. */
std::string StripFileNameChars(const std::string& text);

/** Where the history log lives when the user has not chosen a file: the Windows or the POSIX form
 *  below, filled from this process's environment. */
std::string DefaultLogFilePath(const std::string& displayName);

/** The Windows form: temp (the value of TEMP, nullptr when it is not set) + "\\" + the stripped name
 *  + ".txt", exactly, with no check of the folder. */
std::string WindowsLogFilePath(const char* temp, const std::string& displayName);

/** The POSIX form: the user's state folder + "/" + the stripped name + ".txt". The state folder is
 *  xdgStateHome when it is an absolute path, else home + "/.local/state", else the temporary folder
 *  (nullptr stands for a variable that is not set). */
std::string PosixLogFilePath(const char* xdgStateHome, const char* home, const std::string& displayName);

/** Creates the folder that is to hold filePath, with its parents, when it is missing. Throws
 *  std::runtime_error naming the folder and the system's reason when it cannot be created. */
void EnsureFolderOf(const std::string& filePath);

/** The caption of message boxes that name none of their own, derived from displayName. */
std::string ApplicationTitleFor(const std::string& displayName);

/** Makes ApplicationTitleFor(displayName) the application title. */
void SetApplicationTitle(const std::string& displayName);

/** The application title; empty until SetApplicationTitle has run. */
std::string ApplicationTitle();

} // namespace pellavane
