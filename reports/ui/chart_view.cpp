#include "reports/ui/chart_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "core/file_names.h"
#include "core/files.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "reports/chart/chart_drawing.h"
#include "reports/report_export.h"

namespace qdx::ui {

ChartCanvas::ChartCanvas(const Regional& regional, QWidget* parent)
    : QWidget(parent), regional_(regional) {
    setObjectName("chartReport");
    setAccessibleName("Chart");
    setMinimumSize(200, 150);
}

void ChartCanvas::showChart(std::optional<ChartData> data, chart::ChartStyle style) {
    data_ = std::move(data);
    style_ = style;
    update();
}

chart::ChartLayout ChartCanvas::chartLayout() const {
    if (!data_) return {};
    return chart::chart_layout(*data_, style_, QSizeF(size()), regional_);
}

void ChartCanvas::paintEvent(QPaintEvent*) {
    // Painted anew on a palette change too (dark themes), as Qt repaints then.
    QPainter painter(this);
    if (!data_) {
        painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Base));
        return;
    }
    chart::paint_chart(painter, QRectF(rect()), *data_, style_, palette(), regional_);
}

ChartPage::ChartPage(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName("frameChart");
    auto* caption = new QLabel("Draw as:", this);
    caption->setObjectName("lblChartStyle");
    style_ = new QComboBox(this);
    style_->setObjectName("cmbChartStyle");
    style_->addItems({"Columns", "Lines"});
    style_->setAccessibleName("Draw the chart as");
    caption->setBuddy(style_);
    save_ = make_button(this, "cmdSaveChart", "Save chart...");
    view_ = new ChartCanvas(context_.state.regional, this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(caption);
    controls->addWidget(style_);
    controls->addStretch();
    controls->addWidget(save_);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addLayout(controls);
    page->addWidget(view_, 1);
    setTabOrder(style_, save_);

    connect(style_, &QComboBox::currentIndexChanged, this,
            [this] { view_->showChart(view_->data(), chosenStyle()); });
    connect(save_, &QPushButton::clicked, this, &ChartPage::saveChart);
}

QWidget* ChartPage::styleBox() const { return style_; }
QWidget* ChartPage::saveButton() const { return save_; }

bool ChartPage::showTable(const ReportTable& table) {
    view_->showChart(chart_data(table, context_.state), chosenStyle());
    suggestedName_ = fromAnsi(report_file_name(table.caption, ".png"));
    save_->setEnabled(view_->data().has_value());
    return view_->data().has_value();
}

chart::ChartStyle ChartPage::chosenStyle() const {
    return style_->currentIndex() == 1 ? chart::ChartStyle::Lines : chart::ChartStyle::Columns;
}

std::optional<PreviewChart> ChartPage::previewChart() const {
    if (!view_->data()) return std::nullopt;
    // Painted on the page as it is on the screen, at the file's proportions,
    // scaled to the area: lines and letters stay sharp in print.
    PreviewChart chart;
    chart.paint = [data = *view_->data(), style = chosenStyle(),
                   regional = context_.state.regional](QPainter& painter, const QRectF& area) {
        const QSizeF size = QSizeF(chart::kFileSize).scaled(area.size(), Qt::KeepAspectRatio);
        const double scale = size.width() / chart::kFileSize.width();
        painter.save();
        painter.translate(area.topLeft());
        painter.scale(scale, scale);
        chart::paint_chart(painter, QRectF(QPointF(0, 0), QSizeF(chart::kFileSize)), data, style,
                           QPalette(), regional);
        painter.restore();
    };
    return chart;
}

void ChartPage::saveChart() {
    if (!view_->data()) return;
    const auto output = context_.state.appDir / "output";
    QString chosen = context_.chooseFile(
        {this, "Save chart", QString::fromStdString(output.string()) + "/" + suggestedName_,
         "PNG pictures (*.png);;SVG drawings (*.svg)", true});
    if (chosen.isEmpty()) return;
    std::filesystem::path file(chosen.toStdString());
    if (!file.has_extension()) file += ".png";
    try {
        if (file.parent_path() == output) ensure_folder(output);
        chart::save_chart(*view_->data(), chosenStyle(), palette(), context_.state.regional, file);
        emit saved("Saved as " + QString::fromStdString(file.string()));
    } catch (const std::exception& e) {
        context_.message(this, chart::kSaveChartFailed + fromAnsi(e.what()));
    }
}

}  // namespace qdx::ui
