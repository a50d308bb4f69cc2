// Setup's own progress and completion pages, the shared page classes
// (progress_page.h) with their layouts:
//   CPage6Wnd   install progress ("Page6Wnd.xml"); holds the install worker
//               at its checkpoints while the quit question is open;
//   CPage12Wnd  repair progress ("Page12Wnd.xml"); the question does not
//               stop the repair;
//   CPage13Wnd  repair finished ("Page13Wnd.xml").
// The removal's pages, CPage10Wnd and CPage11Wnd, are Uninstall's too.
#pragma once

#include "progress_page.h"

class CPage6Wnd : public CProgressPage {
public:
    CPage6Wnd() : CProgressPage(L"Page6Wnd.xml", CancelMode::HoldWorker, kBlockReasonInstall) {}
};

class CPage12Wnd : public CProgressPage {
public:
    CPage12Wnd() : CProgressPage(L"Page12Wnd.xml", CancelMode::AskOnly, kBlockReasonRepair) {}
};

class CPage13Wnd : public CDonePage {
public:
    CPage13Wnd() : CDonePage(L"Page13Wnd.xml") {}
};
