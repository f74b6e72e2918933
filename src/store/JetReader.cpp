#include "store/JetReader.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/JetFile.h"
#include "store/TasksTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>
#include <vector>

// The library's header wraps the GLib headers in extern "C"; included first,
// they are read as the C++ headers they are.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("JetReader", text);
}

// Room for one text or memo value in UTF-8: the longest memo the Windows
// version's editor can hold (65,535 characters of up to three bytes), with
// space to spare. A value that fills it is refused rather than cut.
constexpr size_t BindSize = size_t(1) << 20;

// Flags in a row's offset entry on a data page.
constexpr int RowOverflow = 0x4000;
constexpr int RowOffsetMask = 0x1fff;

bool isText(int type)
{
    return type == MDB_TEXT || type == MDB_MEMO;
}

bool isReadable(int type)
{
    switch (type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY:
    case MDB_FLOAT: case MDB_DOUBLE: case MDB_DATETIME: case MDB_TEXT: case MDB_MEMO:
        return true;
    default:
        return false;
    }
}

int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT: case MDB_FLOAT: return 4;
    case MDB_MONEY: case MDB_DOUBLE: case MDB_DATETIME: return 8;
    default: return -1;
    }
}

template <typename T>
T stored(const void *at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return qFromLittleEndian(value);
}

QVariant fixedValue(int type, const void *at)
{
    switch (type) {
    case MDB_BYTE: return qint64(stored<quint8>(at));
    case MDB_INT: return qint64(stored<qint16>(at));
    case MDB_LONGINT: return qint64(stored<qint32>(at));
    case MDB_FLOAT: return double(stored<float>(at));
    case MDB_MONEY: return double(stored<qint64>(at)) / 10000.0;
    case MDB_DOUBLE: case MDB_DATETIME: return stored<double>(at);
    default: return QVariant();
    }
}

MdbColumn *columnAt(MdbTableDef *table, int i)
{
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
}

} // namespace

struct JetReader::Handles
{
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    std::vector<MdbField> fields;

    ~Handles()
    {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

JetReader::JetReader(const QString &file) : m_handles(std::make_unique<Handles>()), m_file(file)
{
    const QString name = QDir::toNativeSeparators(file);
    const jetfile::Header header = jetfile::readHeader(file);
    if (const QString why = jetfile::refusal(header); !why.isEmpty())
        throw Error(tr("\"%1\" cannot be imported. %2").arg(name, why));

    // Jet 4 files are whole pages of 4 KiB; anything else was cut short.
    if (QFileInfo(file).size() % 4096 != 0)
        damaged(tr("its size is not a whole number of pages"));
    Handles &h = *m_handles;
    h.mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    if (!h.mdb)
        damaged(tr("it cannot be opened."));
    if (h.mdb->f->jet_version != MDB_VER_JET4)
        damaged(tr("its format is not the Access 2000 format."));
    // Text is handed over in the library's target character set, which the
    // environment (MDB_ICONV) may change; it is read here as UTF-8 only.
    if (QByteArray(mdb_target_charset(h.mdb)).toUpper() != "UTF-8")
        throw Error(tr("\"%1\" cannot be imported while MDB_ICONV sets a character set other than UTF-8.").arg(name));
    mdb_set_bind_size(h.mdb, BindSize);
    if (!mdb_read_catalog(h.mdb, MDB_TABLE))
        damaged(tr("its list of tables cannot be read."));

    MdbCatalogEntry *entry = nullptr;
    for (unsigned i = 0; i < h.mdb->num_catalog && !entry; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(h.mdb->catalog, i));
        if (e->object_type == MDB_TABLE && QString::fromUtf8(e->object_name).compare(u"Tasks", Qt::CaseInsensitive) == 0)
            entry = e;
    }
    if (!entry)
        throw Error(tr("\"%1\" cannot be imported: it has no Tasks table, so it is not a task database of the "
                       "Windows version.").arg(name));
    h.table = mdb_read_table(entry);
    if (!h.table || !mdb_read_columns(h.table))
        damaged(tr("its Tasks table cannot be read."));

    const int count = int(h.table->num_cols);
    h.fields.resize(size_t(count));
    m_text.resize(size_t(count));
    m_textLength.resize(size_t(count));
    for (int c = 0; c < count; ++c) {
        MdbColumn *column = columnAt(h.table, c);
        const QString columnName = QString::fromUtf8(column->name);
        m_names << columnName;
        m_types << column->col_type;
        if (!isReadable(column->col_type)) {
            // Only a column the program stores has to be read; others are
            // left out by the import anyway.
            if (TasksTable::find(columnName))
                throw Error(tr("\"%1\" cannot be imported: the column %2 of its Tasks table holds a kind of "
                               "value (type %3) that the program cannot store.")
                                .arg(name, columnName).arg(column->col_type));
            continue;
        }
        if (isText(column->col_type)) {
            // Left uninitialised: only the part a value fills is ever touched.
            m_text[size_t(c)] = std::make_unique_for_overwrite<char[]>(BindSize);
            mdb_bind_column(h.table, c + 1, m_text[size_t(c)].get(), &m_textLength[size_t(c)]);
        }
    }
    mdb_rewind_table(h.table);
}

JetReader::~JetReader() = default;

qint64 JetReader::rowCount() const
{
    return m_handles->table->num_rows;
}

void JetReader::rewind()
{
    mdb_rewind_table(m_handles->table);
    m_read = 0;
}

void JetReader::damaged(const QString &why) const
{
    throw Error(tr("\"%1\" cannot be imported: the file is damaged or cut short (%2)")
                    .arg(QDir::toNativeSeparators(m_file), why));
}

bool JetReader::next(QVariantList &values)
{
    Handles &h = *m_handles;
    MdbTableDef *table = h.table;
    if (!mdb_fetch_row(table)) {
        // A page the table lists but the file no longer holds reads as
        // the end of the table: the row count tells the two apart.
        if (m_read != qint64(table->num_rows))
            damaged(tr("its Tasks table holds %1 tasks, but only %2 could be read")
                        .arg(table->num_rows).arg(m_read));
        return false;
    }
    ++m_read;

    // The row the library has just read, taken apart once more for what its
    // bound values do not tell: which values are null, and the stored bytes
    // of the numbers and dates.
    int start = 0;
    size_t length = 0;
    const int row = int(table->cur_row) - 1;
    if (row < 0 || mdb_find_row(h.mdb, row, &start, &length) != 0)
        damaged(tr("row %1 cannot be found").arg(m_read));
    if (start & RowOverflow)
        damaged(tr("row %1 is stored on an overflow page; compacting the database with Access resolves this")
                    .arg(m_read));
    start &= RowOffsetMask;
    const int count = int(table->num_cols);
    if (mdb_crack_row(table, start, length, h.fields.data()) < count)
        damaged(tr("row %1 cannot be read").arg(m_read));

    values.clear();
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(QVariant());
    for (int i = 0; i < count; ++i) {
        const MdbField &field = h.fields[size_t(i)];
        const int c = field.colnum;
        if (c < 0 || c >= count)
            damaged(tr("row %1 cannot be read").arg(m_read));
        const MdbColumn *column = columnAt(table, c);
        const int type = m_types.at(c);
        // A boolean is kept in the row's null mask: set means true.
        if (type == MDB_BOOL) {
            values[c] = qint64(field.is_null ? 0 : 1);
            continue;
        }
        if (field.is_null || !isReadable(type))
            continue;
        // The value must be the one the library found for this column.
        if (field.siz != column->cur_value_len || (field.siz > 0 && field.start != column->cur_value_start))
            damaged(tr("row %1 does not read the same twice").arg(m_read));
        if (isText(type)) {
            const char *text = m_text[size_t(c)].get();
            const int size = m_textLength[size_t(c)];
            if (size < 0 || size_t(size) >= BindSize - 1)
                throw Error(tr("\"%1\" cannot be imported: the %2 of its task %3 is too long to be read.")
                                .arg(QDir::toNativeSeparators(m_file), m_names.at(c)).arg(m_read));
            values[c] = size == 0 ? QStringLiteral("") : QString::fromUtf8(text, size);
            continue;
        }
        if (field.siz != fixedSize(type))
            damaged(tr("row %1 cannot be read").arg(m_read));
        values[c] = fixedValue(type, field.value);
    }
    return true;
}
