#pragma once
// The watch list's store: table 股票 of db.mdb, an SQLite database, seen the
// way the rest of the program expects a record set to behave. Each query takes
// a client-side snapshot of the whole table; a cursor walks it; one new record
// can be pending between addNew and saveRecord; records are deleted by the
// position of the cursor. Names and values cross this interface as code page
// 936 texts; the file holds UTF-8.
//
// Cursor states: before the first record, on a record (0-based position in
// the snapshot), past the last record, or on the gap left by a record that
// deleteCurrent has just removed. An empty snapshot is before-first and
// past-last at once.

#include <memory>

#include "shell/values/text.h"

namespace brindlow {

class StockStore {
 public:
  // How long a read or a write waits for another process's lock before it
  // fails: the GUI thread is blocked meanwhile.
  static constexpr int kBusyTimeoutMs = 1000;

  StockStore();
  ~StockStore();
  StockStore(const StockStore&) = delete;
  StockStore& operator=(const StockStore&) = delete;

  // Remembers the connection string, closes an open connection and opens the
  // existing database file at path read-write (read-only when the file is
  // write-protected). Never creates a file. SQLite has no passwords: a
  // password only goes into the connection string.
  bool openDatabase(const Text& path, const Text& password);
  // Ties the record set to the connection; always possible here.
  bool bindRecordSet();
  // Takes a fresh snapshot of the table in rowid order, dropping an unsaved
  // new record; the cursor then stands on the first record. False (and no
  // snapshot) when the connection is not open or the table cannot be read.
  bool queryAll();
  bool moveFirst();
  // From the last record to past-the-last succeeds; past the last it fails.
  bool moveNext();
  // True when a moveNext would fail: past the last record, empty snapshot, or
  // no snapshot. Never moves the cursor.
  bool isAtEnd();
  // Replaces value with the text form of the field of the current record (the
  // empty text on failure).
  bool readText(const Text& field, Text& value);
  // Starts a pending new record; a record still pending is stored first.
  bool addNew();
  // True whenever the field exists. The empty text means NULL. A value that
  // the column cannot hold (by its declared type or NOT NULL) leaves the field
  // as it was. Only a pending new record takes values: stored records are
  // never edited.
  bool writeText(const Text& field, const Text& value);
  // Inserts the pending record in one transaction. On failure the pending
  // record is discarded and the cursor goes back to where it was.
  bool saveRecord();
  // Moves to the record at position from the first; a position before the
  // first or past the last leaves the cursor on no record.
  bool moveTo(Integer position);
  // Deletes the record at the cursor from the file, by its rowid (or primary
  // key), in one transaction. False when there is no current record.
  bool deleteCurrent();

  const Text& connectionString() const { return connectionString_; }

 private:
  struct State;

  bool leavePendingRecord();
  bool insertPendingRecord();
  void closeRecordSet();
  void closeConnection();

  Text connectionString_;
  std::unique_ptr<State> state_;
};

}  // namespace brindlow
