#pragma once
// Answers for the toolkit's list dialogs that a command opens while the loop runs (questions,
// choices): the idle step chooses the next queued entry (0-based) and presses Ok; with none
// queued it presses Cancel. Install with TukSetFunction("tuk-idle", TukCallbackOf(answer_lists)),
// or call answer_lists from another idle function first.
#include <deque>

#include "toolkit/driver.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"

inline std::deque<int> g_listAnswers;

inline TukHandle find_element_of_kind(TukHandle e, int kind) {
  if (tuk_element_kind(e) == kind) return e;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle found = find_element_of_kind(c, kind)) return found;
  return nullptr;
}
inline int g_listsSeen = 0;

// 1 when a list dialog was the innermost popup and got its answer.
inline int answer_open_list() {
  if (TukHeadlessPendingInput() > 0) return 0;
  TukHandle ok = TukGetHandle("TukListOkButton");
  if (!ok || tuk_innermost_popup() != tuk_element_dialog(ok)) return 0;
  ++g_listsSeen;
  if (g_listAnswers.empty()) {
    TukHeadlessClickButton(TukGetHandle("TukListCancelButton"));
    return 1;
  }
  TukHeadlessChooseListEntry(find_element_of_kind(tuk_element_dialog(ok), TUK_KIND_LIST), g_listAnswers.front() + 1);
  g_listAnswers.pop_front();
  TukHeadlessClickButton(ok);
  return 1;
}

inline int answer_lists() {
  answer_open_list();
  return TUK_DEFAULT;
}
