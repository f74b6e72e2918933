#pragma once

#include <QString>

// What the first page of a file says about it, read without any database
// library: whether it is a database of the Windows version (a Jet file),
// which generation of the format it is, and whether it carries a database
// password. Used to recognise such a file before anything tries to open it
// as SQLite.
namespace jetfile {

enum class Kind {
    NotJet, // no Jet signature (an SQLite file, an empty file, anything else)
    Jet3,   // the 1997 format
    Jet4,   // the 2000 format the Windows version writes
    Ace,    // the 2007 and later format (.accdb)
};

struct Header
{
    Kind kind = Kind::NotJet;
    bool hasPassword = false; // Jet 4 only
};

// Reads the header of file; a file that cannot be read or is too short to
// hold a header counts as NotJet.
Header readHeader(const QString &file);

// Whether file starts with the Jet (or ACE) signature.
inline bool isJetFile(const QString &file) { return readHeader(file).kind != Kind::NotJet; }

// Why a file of that header cannot be imported, or an empty text when it can.
QString refusal(const Header &header);

} // namespace jetfile
