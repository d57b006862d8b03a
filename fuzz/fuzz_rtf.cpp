// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The About text: the RTF reader, then the layout of what it read in the About window's own text box, at
// its width, each input well within a second. A refused input leaves the document empty; it never holds
// more characters than the input has bytes (each costs one at least); the laid-out text has a finite size.
#include "frmabout.h"
#include "fuzzcheck.h"
#include "rtfreader.h"

#include <QtWidgets>

using namespace qx;

static QTextEdit* box = nullptr;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit Qt's font caches go first, and closing the window would lay out without them.
    new QApplication(*argc, *argv);
    // No info file in this folder: the box starts empty, and every input is read into it.
    auto* about = new frmAbout(nullptr, QStringLiteral("/nonexistent"));
    about->show();
    box = about->findChild<QTextEdit*>(QStringLiteral("rtbText"));
    QX_FUZZ_CHECK(box != nullptr);
    return 0;
}

QX_FUZZ_TARGET(rtf) {
    QTextDocument* doc = box->document();
    const bool closed = ReadRtf(rtf, doc);
    const bool refused = rtf.size() > MaxRtfBytes || !rtf.startsWith(QByteArrayView("{\\rtf"));
    QX_FUZZ_CHECK(!(refused && (closed || !doc->isEmpty())) && doc->characterCount() <= rtf.size() + 1);
    box->moveCursor(QTextCursor::Start);
    const QSizeF laid = doc->documentLayout()->documentSize(); // lays out the whole text
    QX_FUZZ_CHECK(qIsFinite(laid.width()) && qIsFinite(laid.height()) && laid.height() >= 0);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum()); // scrolled to the end
    // The event loop runs now and then, as the game's does: it paints the box, its timers trim font caches.
    static QElapsedTimer sinceEvents;
    if (!sinceEvents.isValid() || sinceEvents.hasExpired(200)) {
        QApplication::processEvents();
        sinceEvents.start();
    }
}
