// frmStat: follows a transfer that the library runs on its own thread. It shows a checklist of
// the transfer's phases (send or receive frame), a progress bar of the bytes done and a status
// bar text, polls VKTEstado until the operation ends, logs the outcome and announces success
// or shows the library's errors.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

#include "vkt32.h"

class QCheckBox;
class QGroupBox;
class QProgressBar;
class QStatusBar;

namespace vkt::client {

class FrmStat : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kItems = 11;

    explicit FrmStat(QWidget* parent = nullptr);
    ~FrmStat() override;

    // "3" send, "2" receive; set before the window is shown.
    // Sets the caption, the task name and the visible frame at once (and again when shown).
    void setTag(const QString& tag);
    const QString& tag() const { return tag_; }
    // The task name written to the log: "Enviar", "Solicitar" (empty for another tag).
    const QString& Operacion() const { return operacion_; }

    // Monitors the transfer to its end, then announces success or shows the errors.
    void InitStat();
    // Polls the library until the operation ends and logs the outcome: 0 success, 1 failure.
    std::int32_t ShowStat();
    // One poll's effect on the window: progress, checklist, status text, and at the end the
    // outcome; false once the operation has ended.
    bool ShowEstado(const StatusRecord& estado);
    void SetStat(const QString& status);
    // Ticks the phases before the one under way for step flag and draws that one dark red.
    void UpdateFrame(std::int32_t flag);

    QCheckBox* chkStatus(int index) const { return chkStatus_.at(index); }
    QGroupBox* frameSend() const { return frameSend_; }
    QGroupBox* frameRecv() const { return frameRecv_; }
    QGroupBox* frameSesion() const { return frameSesion_; }
    QProgressBar* pbBarraProgreso() const { return pbBarraProgreso_; }
    QStatusBar* sbBarraEstado() const { return sbBarraEstado_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void ApplyTag();
    void DockBars();
    void ShowProgress(std::uint32_t done, std::uint32_t total);
    void Fail();

    struct Outcome {
        std::int32_t resultado = 0;  // 0 success, 1 failure
        QString texto;               // the log's status: "OK", "Error"
    };

    QString tag_;
    QString operacion_;
    bool started_ = false;     // the monitoring runs once, when the window is first displayed
    bool monitoring_ = false;  // the window cannot be closed while the transfer is followed
    Outcome outcome_;
    std::uint32_t progressTotal_ = 100;  // the bar's maximum in bytes
    int progressShift_ = 0;              // byte counts beyond the bar's int range are scaled down
    QGroupBox* frameSend_;
    QGroupBox* frameRecv_;
    QGroupBox* frameSesion_;
    std::array<QCheckBox*, kItems> chkStatus_{};
    QProgressBar* pbBarraProgreso_;
    QStatusBar* sbBarraEstado_;
};

}  // namespace vkt::client
