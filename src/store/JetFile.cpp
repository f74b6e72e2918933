#include "store/JetFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>

namespace jetfile {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("JetFile", text);
}

// Layout of the first page.
constexpr int VersionOffset = 0x14;
constexpr int MaskedStart = 0x18;     // the header is masked with RC4 from here
constexpr int MaskedLengthJet4 = 128;
constexpr int PasswordOffset = 0x42;  // 40 bytes in Jet 4
constexpr int PasswordLengthJet4 = 40;
constexpr int CreatedOffset = 0x72;   // creation date, a double
constexpr std::array<unsigned char, 4> HeaderKey = {0xc7, 0xda, 0x39, 0x6b};

// RC4, which the format uses to mask its header with a fixed key.
void rc4(QByteArray &data, qsizetype from, qsizetype length)
{
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + HeaderKey[i % HeaderKey.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (qsizetype n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[from + n] = char(data[from + n] ^ s[(s[i] + s[j]) & 0xff]);
    }
}

// In Jet 4 the password is masked once more with the whole days of the
// creation date; an unset password reads as zeros after both masks.
bool jet4HasPassword(QByteArray page)
{
    rc4(page, MaskedStart, MaskedLengthJet4);
    double created = 0;
    std::memcpy(&created, page.constData() + CreatedOffset, sizeof created);
    created = qFromLittleEndian(created);
    std::array<unsigned char, 4> mask{};
    if (std::isfinite(created) && std::fabs(created) < 2147483647.0)
        qToLittleEndian(qint32(created), mask.data());
    for (int i = 0; i < PasswordLengthJet4; ++i)
        if ((static_cast<unsigned char>(page[PasswordOffset + i]) ^ mask[i % mask.size()]) != 0)
            return true;
    return false;
}

} // namespace

Header readHeader(const QString &file)
{
    Header header;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return header;
    const QByteArray page = f.read(MaskedStart + MaskedLengthJet4);
    static const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    static const QByteArray ace = QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 20);
    if (page.size() < 20)
        return header;
    const QByteArray signature = page.left(20);
    if (signature == ace) {
        header.kind = Kind::Ace;
        return header;
    }
    if (signature != jet)
        return header;
    const int version = page.size() > VersionOffset ? static_cast<unsigned char>(page[VersionOffset]) : -1;
    header.kind = version == 0 ? Kind::Jet3 : version == 1 ? Kind::Jet4 : Kind::Ace;
    if (header.kind == Kind::Jet4)
        header.hasPassword = page.size() == MaskedStart + MaskedLengthJet4 && jet4HasPassword(page);
    return header;
}

QString refusal(const Header &header)
{
    switch (header.kind) {
    case Kind::NotJet:
        return tr("It is not a database of the Windows version.");
    case Kind::Jet3:
        return tr("It is in the Access 97 format, which cannot be read here. Convert it to the Access 2000 "
                  "format with Access and try again.");
    case Kind::Ace:
        return tr("It is in the Access 2007 (.accdb) format, which cannot be read here. Save it in the "
                  "Access 2000 format (.mdb) with Access and try again.");
    case Kind::Jet4:
        if (header.hasPassword)
            return tr("It is protected by a database password. Remove the password with Access and try again.");
        return QString();
    }
    return QString();
}

} // namespace jetfile
