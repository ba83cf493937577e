#pragma once
// The main window together with the logbook session it borrows, made and let
// go in the order the program's start-up keeps: the session first and last
// (closed as the program closes it), the window in between.

#include "core/logbooksession.h"
#include "ui/mainwindow.h"

struct OwnedLogbookSession {
    soarnote::LogbookSession session;
    ~OwnedLogbookSession() { session.CloseLogbook(); }
};

class SessionMainWindow : private OwnedLogbookSession, public soarnote::MainWindow {
public:
    SessionMainWindow(soarnote::SettingsStore* settings, soarnote::Prompts* prompts)
        : soarnote::MainWindow(session, settings, prompts) {}
};
