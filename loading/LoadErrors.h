#pragma once
// The stream-error family every loading failure is reported with. The message is
// the complete text the user may see (UTF-8); nothing else is carried. The header readers
// velumira-info links raise them from std::string, so they need no Qt.
#include <QString>
#include <stdexcept>
#include <string>

class EStreamError : public std::runtime_error {
public:
    explicit EStreamError(const std::string& message)
        : std::runtime_error(message) {}
    explicit EStreamError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EInvalidGraphic : public EStreamError {
public:
    using EStreamError::EStreamError;
};
