// frmSplash: the start-up window without caption, shown for two seconds. Pictures imgFondo,
// imgLogo and ImgDeco; the product name twice (lbVKT1 dark red, lbVKT2 silver, offset: a
// shadowed title); the maker lbHMRB, lbFecha "Octubre 1999", lbVersion "Versión 1.0"; timer
// Reloj, off until the window is first shown.
#pragma once

#include <QWidget>

class QTimer;

namespace vkt::client {

class FrmSplash : public QWidget {
    Q_OBJECT

  public:
    explicit FrmSplash(QWidget* parent = nullptr);

    QTimer* Reloj() const { return reloj_; }

  signals:
    // The first tick: the splash has hidden itself; the main window follows.
    void finished();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Tick();

    QTimer* reloj_ = nullptr;
    bool loaded_ = false;
};

// The maker's name shown on the splash.
QString MakerName();

}  // namespace vkt::client
