#pragma once
// The settings file: an INI text file whose section and key names match without regard
// to case. Reading follows the profile-file rules (decimal or "0x" integers, booleans as
// integers, texts up to 2047 characters); writing keeps unknown sections, keys and
// comments and replaces the file through a temporary file and a rename.
#include <QString>
#include <memory>
#include <stdexcept>

class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ProfileFile {
public:
    // Reads path when it exists; a missing or unreadable file reads as empty.
    explicit ProfileFile(const QString& path);
    ~ProfileFile();

    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;

    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteString(const QString& section, const QString& key, const QString& value);

    // Writes the file when anything was written; throws EIniFileException when it cannot.
    // A file that exists but could not be read is never replaced: what it holds is unknown,
    // and writing would put defaults over the user's settings.
    void UpdateFile();

    // The file exists but could not be read (permissions, an I/O error, a folder).
    bool Unreadable() const { return FUnreadable; }
    // Treats the file as unreadable, for a caller whose earlier read of it failed.
    void MarkUnreadable() { FUnreadable = true; }

    const QString& Path() const { return FPath; }

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    QString FPath;
    bool FUnreadable = false;
};

// Where the settings live: the executable's path with its extension replaced by ".INI";
// when that folder is not writable, velumira.INI in the per-user configuration folder.
QString SettingsFilePath(const QString& executablePath);
