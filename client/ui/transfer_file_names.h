// Names of the files a transfer touches. A received file's name comes from
// the network and is only a wish: it is cut down to a bare name before it
// becomes part of a path, so that it lands in the chosen folder and nowhere
// else, and a file saved without asking never replaces one already there.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace zemra::client::ui {

// Longest file name the folders take, in UTF-8 bytes.
inline constexpr int kMaxFileNameBytes = 255;
// The name given to an offer whose name has nothing left.
inline constexpr const char* kUnnamedFile = "未命名文件";
// How many numbered names freePathIn tries before it gives up.
inline constexpr int kMaxNumberedNames = 9999;
// Longest name an offer carries, in GBK bytes.
inline constexpr std::size_t kMaxOfferedNameBytes = 40;

// The offered name as a bare file name: the part after the last '/' or
// '\', without control and invisible formatting characters, without leading
// dots, dashes, tildes and blanks or trailing dots and blanks, at most
// kMaxFileNameBytes long with its extension kept; kUnnamedFile when nothing
// is left.
QString bareFileName(const QString& offered);

// `name` in `folder` when no file of that name is there, else the first free
// one of "stem (1).ext", "stem (2).ext", ...; nothing when all are taken.
std::optional<QString> freePathIn(const QString& folder, const QString& name);

// A file's name as it is offered: GBK, at most kMaxOfferedNameBytes, cut in
// its stem so that the extension survives.
std::string offeredNameOf(const QString& fileName);

}  // namespace zemra::client::ui
