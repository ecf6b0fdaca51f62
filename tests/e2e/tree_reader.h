// The tree-item reader: a hook library that the driver loads into the process
// that owns a tree view (the setup's folder browser), so that item texts are
// read where they live. The driver sends TreeItemTextMessage to the tree with
// the item in wParam and a window of its own in lParam; the hook reads the
// item's text (TVM_GETITEMA, in the owner's address space) and sends it back to
// that window as WM_COPYDATA (dwData TreeItemTextReply, the text with its
// terminator). Memory of another process is never read or written: under an
// emulated 32-bit Wine the server cannot reach it.
#pragma once

constexpr char TreeItemTextMessage[] = "UmberlayE2eTreeItemText";
constexpr unsigned long TreeItemTextReply = 0x54524545;  // "TREE"
constexpr char TreeReaderLibrary[] = "tree_reader.dll";
constexpr char TreeReaderHookName[] = "TreeReaderHook";  // a WH_CALLWNDPROC hook
