#include "Startup.h"

#include "AppSettings.h"
#include "Main.h"
#include "Trace.h"

#include <QApplication>

namespace pg {

int RunPagellan(const std::function<void(TfrmMain&)>& prepare) {
    TieScannerSettingsToScanPlugin();
    // The plug-in is let go on every way out, also after a refusal: it set up its data module.
    struct TEnd {
        ~TEnd() { EndMultiUserMode(); }
    } end;
    if (!StartMultiUserMode()) {
        DebugMsg("Main : user may not run the program");
        return 1;
    }
    TfrmMain main;
    if (prepare)
        prepare(main);
    main.show();
    return QApplication::exec();
}

} // namespace pg
