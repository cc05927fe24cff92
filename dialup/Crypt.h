#pragma once
// The password scrambler of the provider records. The same call scrambles and
// unscrambles. The table and the record key are part of the file format:
// every stored provider record depends on them, so they never change.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <stdexcept>

class TCryptError : public std::runtime_error
{
public:
    explicit TCryptError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

class TCrypt
{
public:
    static constexpr int TableSize = 101;
    static const std::array<uint8_t, TableSize>& table();
    // The 32-character key the provider records are scrambled with.
    static QByteArray recordKey();

    void setPassword(const QByteArray& key) { m_key = key; }
    // Scrambles text in place (length preserved; any byte may come out,
    // zero included). Throws TCryptError when no key has been set.
    void scramble(QByteArray& text);

private:
    QByteArray m_key;
    int m_index = 0;
};
