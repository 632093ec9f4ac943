// SPDX-License-Identifier: MIT
#pragma once

#include "counter.h"
#include "scanerror.h"

#include <memory>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <utility>

// An ordered list whose entries are numbered from 1 in the order they were
// added, each entry carrying a text key that is unique within the list. It only
// grows: entries are never changed or removed.
//
// Lists are shared objects (held through std::shared_ptr): whoever holds a list
// keeps it, unchanged, after the scanner that filled it has let go of it.
// Looking up a key costs O(1), so filling a list is linear in its length.
// Failures throw ScanError (see scanerror.h).
template <typename T> class KeyedList
{
public:
    struct Entry
    {
        QString key;
        T value;
    };
    using const_iterator = typename QList<Entry>::const_iterator;

    // Appends value under key at position count() + 1.
    // Throws ScanError DuplicateKey when the list already holds key, and Overflow
    // when the list already holds 2147483647 entries; in both cases nothing is
    // added.
    void add(const QString &key, T value)
    {
        const qint32 position = counter::next(count(), QStringLiteral("number of list entries"));
        // One hash lookup both checks the key and reserves its slot.
        const qsizetype before = m_index.size();
        qint32 &slot = m_index[key];
        if (m_index.size() == before) {
            throw ScanError(ScanError::Kind::DuplicateKey,
                            QStringLiteral("The key \"%1\" is already in the list.").arg(key), {},
                            key);
        }
        try {
            m_entries.append(Entry{key, std::move(value)});
        } catch (...) {
            m_index.remove(key);
            throw;
        }
        slot = position;
    }

    // Number of entries; positions run from 1 to count().
    [[nodiscard]] qint32 count() const { return qint32(m_entries.size()); }
    [[nodiscard]] bool isEmpty() const { return m_entries.isEmpty(); }

    // Value at a 1-based position. Throws ScanError NoSuchEntry when position is
    // not between 1 and count().
    [[nodiscard]] const T &at(qint32 position) const { return entryAt(position).value; }
    // Key at a 1-based position. Throws ScanError NoSuchEntry like at().
    [[nodiscard]] const QString &keyAt(qint32 position) const { return entryAt(position).key; }

    [[nodiscard]] bool contains(const QString &key) const { return m_index.contains(key); }
    // 1-based position of key; 0 when the list does not hold it.
    [[nodiscard]] qint32 positionOf(const QString &key) const { return m_index.value(key, 0); }
    // Value stored under key; nullptr when the list does not hold it. The
    // pointer stays valid until the next add().
    [[nodiscard]] const T *find(const QString &key) const
    {
        const qint32 position = positionOf(key);
        return position == 0 ? nullptr : &m_entries.at(position - 1).value;
    }

    // All values in list order.
    [[nodiscard]] QList<T> values() const
    {
        QList<T> result;
        result.reserve(m_entries.size());
        for (const Entry &entry : m_entries)
            result.append(entry.value);
        return result;
    }

    // Entries in list order.
    [[nodiscard]] const_iterator begin() const { return m_entries.cbegin(); }
    [[nodiscard]] const_iterator end() const { return m_entries.cend(); }

private:
    const Entry &entryAt(qint32 position) const
    {
        if (position < 1 || position > count()) {
            throw ScanError(ScanError::Kind::NoSuchEntry,
                            QStringLiteral("The list has no entry %1 (it holds %2).")
                                .arg(position)
                                .arg(count()));
        }
        return m_entries.at(position - 1);
    }

    QList<Entry> m_entries;
    QHash<QString, qint32> m_index;
};

using TextList = KeyedList<QString>;
using NumberList = KeyedList<qint32>;
