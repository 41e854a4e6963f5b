#pragma once
// The stream-error family every loading failure is reported with. The message is
// the complete text the user may see; nothing else is carried.
#include <QString>
#include <stdexcept>

class EStreamError : public std::runtime_error {
public:
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
