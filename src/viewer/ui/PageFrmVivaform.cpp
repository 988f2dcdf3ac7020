// The page window's Vivaform mode: a tab control in place of the page image, "View" holding the
// page in the browser and "Data" the form's XML as a tree.

#include "PageFrm.h"
#include "XmlStructureView.h"

#ifdef PAGELLAN_VIVAFORM_BROWSER
#include "VivaformView.h"
#endif

#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pg {

void TPageForm::CreateVivaformControls() {
    if (TabControl != nullptr)
        return;
    TabControl = new QTabWidget(centralWidget());
    TabControl->setObjectName("TabControl");
    TabControl->hide();
    if (auto* layout = qobject_cast<QVBoxLayout*>(centralWidget()->layout()))
        layout->insertWidget(layout->indexOf(ScrollBox), TabControl, 1);
#ifdef PAGELLAN_VIVAFORM_BROWSER
    Browser = new TVivaform(TabControl);
    TabControl->addTab(Browser, "View");
#else
    TabControl->addTab(
        new QLabel("This build shows Vivaform pages without their browser (Qt WebEngine).", TabControl),
        "View");
#endif
    DataView = new Txml(TabControl);
    TabControl->addTab(DataView, "Data");
}

bool TPageForm::ShowVivaform(std::string_view document) {
    CreateVivaformControls();
#ifdef PAGELLAN_VIVAFORM_BROWSER
    Browser->Load(document);
    if (!Browser->ExtractHTML())
        return false;
    Browser->Show();
    const bool onlyHtml = Browser->HasOnlyHTMLData();
    const std::string title = Browser->GetTitle();
#else
    TVivaformDocument page;
    page.Load(document);
    if (!page.ExtractHTML())
        return false;
    const bool onlyHtml = page.HasOnlyHTMLData();
    const std::string title = page.GetTitle();
#endif
    // A bare page has no data: the window shows only its "View" tab while it shows that page,
    // and "Data" comes back with the next page that has data.
    const int dataTab = TabControl->indexOf(DataView);
    if (onlyHtml && dataTab >= 0)
        TabControl->removeTab(dataTab);
    if (!onlyHtml) {
        if (dataTab < 0)
            TabControl->addTab(DataView, "Data");
        DataView->LoadData(document);
    }
    setWindowTitle(QString::fromUtf8(title.data(), qsizetype(title.size())));
    VivaformMode = true;
    ScrollBox->hide();
    TabControl->setCurrentIndex(0);
    TabControl->show();
    SetButtons();
    return true;
}

} // namespace pg
