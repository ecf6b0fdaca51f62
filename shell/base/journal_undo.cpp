#include "shell/base/journal_undo.h"

namespace {

bool UndoRecord(const JournalRecord& record, UndoActions& actions) {
  switch (record.kind) {
    case JournalKind::File:
      return actions.RemoveFile(record.path);
    case JournalKind::Directory:
      return actions.RemoveEmptyDirectory(record.path);
    case JournalKind::RegistryKey:
      return actions.RemoveEmptyKey(record.path);
    case JournalKind::AddedValue:
      return actions.DeleteValue(record.path, record.valueName);
    case JournalKind::ReplacedValue:
      return actions.RestoreValue(record.path, record.valueName, record.previousType,
                                  record.previousData, record.previousSize);
  }
  return false;
}

}  // namespace

UndoSummary UndoJournal(const InstallJournal& journal, UndoActions& actions) {
  UndoSummary summary{0, 0};
  for (uint32_t i = journal.Count(); i-- > 0;) {
    if (UndoRecord(journal.Record(i), actions)) {
      ++summary.undone;
    } else {
      ++summary.left;
    }
  }
  return summary;
}
