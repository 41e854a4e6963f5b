#include "platform/ProfileFile.h"

// The header carries its own implementation; the packaged library is built for ICU, which
// we do not need: the file is UTF-8 and stored as such.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr int kMaxTextCharacters = 2047;

bool IsCommentOrBlank(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos || line[first] == ';' || line[first] == '#';
}

// The parser attaches comments to the entry that follows them, so comment lines after the
// last entry would be lost on writing. Returns them (with their line ends) to append again.
std::string TrailingComments(const QByteArray& data)
{
    const std::string_view text(data.constData(), static_cast<size_t>(data.size()));
    size_t lastEntryEnd = std::string_view::npos;  // end of the last line that is not a comment
    bool commentAfter = false;
    for (size_t pos = 0; pos < text.size();) {
        size_t next = text.find('\n', pos);
        next = next == std::string_view::npos ? text.size() : next + 1;
        const std::string_view line = text.substr(pos, next - pos);
        if (!IsCommentOrBlank(line)) {
            lastEntryEnd = next;
            commentAfter = false;
        } else if (line.find_first_not_of(" \t\r\n") != std::string_view::npos) {
            commentAfter = true;
        }
        pos = next;
    }
    // Without any entry the parser keeps the comments as the file comment.
    if (lastEntryEnd == std::string_view::npos || !commentAfter)
        return {};
    std::string tail(text.substr(lastEntryEnd));
    if (tail.back() != '\n')
        tail += '\n';
    return tail;
}

std::optional<int> ParseInteger(std::string_view s)
{
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const bool hex = s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    if (hex)
        s.remove_prefix(2);
    if (s.empty())
        return std::nullopt;
    const int base = hex ? 16 : 10;
    // Hexadecimal covers the full 32 bits (0xFFFFFFFF is -1); decimal must fit an int.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull
                                    : (negative ? std::uint64_t(std::numeric_limits<int>::max()) + 1
                                                : std::uint64_t(std::numeric_limits<int>::max()));
    std::uint64_t value = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + std::uint64_t(digit);
        if (value > limit)
            return std::nullopt;
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    return negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
}

QString CutToCharacters(const QString& text, int maxCharacters)
{
    int characters = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (characters == maxCharacters)
            return text.left(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++characters;
    }
    return text;
}

}  // namespace

struct ProfileFile::Impl {
    CSimpleIniA ini{true, true, false};
    std::string trailingComments;
    bool changed = false;

    const char* Value(const QString& section, const QString& key) const
    {
        return ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    }
    void Set(const QString& section, const QString& key, const QByteArray& value)
    {
        const QByteArray sectionName = section.toUtf8();
        // An existing key keeps its spelling and place; the value replaces it (and any
        // duplicates of it, which could never be read anyway).
        std::string keyName = key.toUtf8().toStdString();
        CSimpleIniA::TNamesDepend keys;
        if (ini.GetAllKeys(sectionName.constData(), keys)) {
            const SI_GenericNoCase<char> less;
            for (const auto& entry : keys) {
                if (!less(entry.pItem, keyName.c_str()) && !less(keyName.c_str(), entry.pItem)) {
                    keyName = entry.pItem;
                    break;
                }
            }
        }
        ini.SetValue(sectionName.constData(), keyName.c_str(), value.constData(), nullptr, true);
        changed = true;
    }
};

ProfileFile::ProfileFile(const QString& path) : FImpl(std::make_unique<Impl>()), FPath(path)
{
    FImpl->ini.SetSpaces(false);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FUnreadable = QFileInfo::exists(path);
        return;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError
        || FImpl->ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0) {
        FImpl->ini.Reset();
        FUnreadable = true;
        return;
    }
    FImpl->trailingComments = TrailingComments(data);
}

ProfileFile::~ProfileFile() = default;

int ProfileFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const char* value = FImpl->Value(section, key);
    if (!value)
        return defaultValue;
    return ParseInteger(value).value_or(defaultValue);
}

bool ProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QString ProfileFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const char* value = FImpl->Value(section, key);
    if (!value)
        return CutToCharacters(defaultValue, kMaxTextCharacters);
    return CutToCharacters(QString::fromUtf8(value), kMaxTextCharacters);
}

void ProfileFile::WriteInteger(const QString& section, const QString& key, int value)
{
    FImpl->Set(section, key, QByteArray::number(value));
}

void ProfileFile::WriteBool(const QString& section, const QString& key, bool value)
{
    FImpl->Set(section, key, value ? "1" : "0");
}

void ProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // A line break would end the value early and turn the rest into a stray line.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    FImpl->Set(section, key, oneLine.toUtf8());
}

void ProfileFile::UpdateFile()
{
    if (!FImpl->changed)
        return;
    const auto fail = [this](const QString& reason) {
        throw EIniFileException(
            QStringLiteral("設定ファイル \"%1\" に書き込めません: %2").arg(QDir::toNativeSeparators(FPath), reason).toStdString());
    };
    if (FUnreadable)
        fail(QStringLiteral("読み込めなかったファイルは上書きしません"));
    std::string text;
    if (FImpl->ini.Save(text, false) < 0)
        fail(QStringLiteral("メモリが足りません"));
    // The writer puts two blank lines between sections; one is what people write.
    for (size_t at; (at = text.find("\n\n\n")) != std::string::npos;)
        text.erase(at, 1);
    text += FImpl->trailingComments;

    const QFileInfo info(FPath);
    if (!QDir().mkpath(info.absolutePath()))
        fail(QStringLiteral("フォルダを作成できません"));
    // Written beside the target and renamed over it, so a crash never leaves half a file.
    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("書き込み用に開けません"));
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        fail(QStringLiteral("書き込みに失敗しました"));
    if (!file.commit())
        fail(QStringLiteral("ファイルを置き換えられません"));
    FImpl->changed = false;
}

QString SettingsFilePath(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    name += QStringLiteral(".INI");
    const QString folder = info.absolutePath();
    // An installed copy keeps its settings per user even when the folder is writable
    // (the superuser can write /usr/bin, and a package must not leave files there).
    const bool installed = folder == QLatin1String("/bin") || folder == QLatin1String("/sbin") ||
                           folder.startsWith(QLatin1String("/usr/"));
    if (!installed && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return folder + QLatin1Char('/') + name;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/velumira.INI");
}
