#pragma once

#include <string>

// Values derived from the product's display name.

namespace pellavane {

inline constexpr const char* kDisplayName = "Pellavane";

/** name without its last word when that word is word (any last word when word is empty). */
std::string DropTrailingWord(const std::string& name, const std::string& word);

/** text without the characters that do not belong in a file name. */
std::string StripFileNameChars(const std::string& text);

/** Where the history log lives when the user has not chosen a file. */
std::string DefaultLogFilePath(const std::string& displayName);

/** The caption of message boxes that name none of their own, derived from displayName. */
std::string ApplicationTitleFor(const std::string& displayName);

/** Makes ApplicationTitleFor(displayName) the application title. */
void SetApplicationTitle(const std::string& displayName);

/** The application title; empty until SetApplicationTitle has run. */
std::string ApplicationTitle();

} // namespace pellavane
