// frmMain: the main window. Toolbar tbBarraTareas (tbrCONNECT, tbrSEND, tbrRECV, tbrHISTORY,
// tbrEXIT), status bar sbBarraEstado (panel pInfo, free text; panel pHora, the time of day),
// the 30-second timer Reloj that reads the library's errors while a session is open, and the
// member Ocupado that refuses a second connect or disconnect while one runs.
//
// There is at most one at a time; while it exists the commands reach it through
// main_window_access.h.
#pragma once

#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QTimer;
class QToolBar;

namespace vkt::client {

class FrmMain : public QMainWindow {
    Q_OBJECT

  public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // The window's load: reset the connection record, show the window, then offer the
    // configuration dialog and connect.
    void Load();

    // 1: session open (connect button shows imgConectar, offers "Desconectar"; transfers and
    // history enabled). 2: no session (timer off; imgDesconectar, "Conectar"; disabled).
    void UpdateScreen(int flag);

    // A click on the toolbar button with this key ("tbrCONNECT", ...).
    void ButtonClick(const QString& key);

    bool Ocupado() const { return ocupado_; }
    void SetOcupado(bool busy) { ocupado_ = busy; }
    QTimer* Reloj() const { return reloj_; }
    QAction* Button(const QString& key) const;
    // The picture key the button shows now.
    QString ButtonImage(const QString& key) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* AddButton(const QString& caption, const QString& key, const QString& toolTip,
                       const QString& image);
    void SetButtonImage(QAction* button, const QString& image);
    void ShowTime();

    QToolBar* tbBarraTareas_ = nullptr;
    QLabel* pInfo_ = nullptr;
    QLabel* pHora_ = nullptr;
    QTimer* reloj_ = nullptr;
    QTimer* clock_ = nullptr;
    bool ocupado_ = false;
};

}  // namespace vkt::client
