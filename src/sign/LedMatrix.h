#pragma once

#include "sign/SignPlayer.h"

#include <QWidget>

namespace sign {

// The dots of the sign: red when lit, dark red when not, on black.
class LedMatrix : public QWidget {
public:
    explicit LedMatrix(const SignPlayer& player, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The player must outlive this, or be replaced first.
    void setPlayer(const SignPlayer& player);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SignPlayer* m_player;
};

} // namespace sign
