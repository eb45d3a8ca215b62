#include "reports/ui/chart_view.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "core/files.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "reports/chart/chart_drawing.h"
#include "reports/report_export.h"

namespace qdx::ui {

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
    view_ = new QChartView(this);
    view_->setObjectName("chartReport");
    view_->setAccessibleName("Chart");
    view_->setRenderHint(QPainter::Antialiasing);

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

    connect(style_, &QComboBox::currentIndexChanged, this, &ChartPage::redraw);
    connect(save_, &QPushButton::clicked, this, &ChartPage::saveChart);
}

QWidget* ChartPage::styleBox() const { return style_; }
QWidget* ChartPage::saveButton() const { return save_; }

bool ChartPage::showTable(const ReportTable& table) {
    data_ = chart_data(table, context_.state);
    suggestedName_ = fromAnsi(export_file_stem(table.caption)) + ".png";
    redraw();
    return data_.has_value();
}

void ChartPage::redraw() {
    QChart* old = view_->chart();
    if (!data_) {
        view_->setChart(new QChart);
    } else {
        QChart* chart = chart::make_chart(*data_, style(), palette(), context_.state.regional);
        // The labels along the base are thinned again whenever the plot narrows or widens.
        connect(chart, &QChart::plotAreaChanged, this, [this, chart](const QRectF& plot) {
            chart::fit_category_labels(*chart, *data_, plot.width());
        });
        view_->setChart(chart);
    }
    delete old;  // the view gives up a chart it is handed a new one for
    save_->setEnabled(data_.has_value());
}

chart::ChartStyle ChartPage::style() const {
    return style_->currentIndex() == 1 ? chart::ChartStyle::Lines : chart::ChartStyle::Columns;
}

std::optional<PreviewChart> ChartPage::previewChart() const {
    if (!data_) return std::nullopt;
    // Drawn at twice the file size, so that the printed lines stay sharp.
    const QByteArray png = chart::render_chart(*data_, style(), QPalette(), context_.state.regional,
                                               chart::ChartFormat::Png, chart::kFileSize * 2);
    const QImage image = QImage::fromData(png, "PNG");
    PreviewChart chart;
    chart.paint = [image](QPainter& painter, const QRectF& area) {
        const QSizeF size = QSizeF(image.size()).scaled(area.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(area.topLeft(), size), image);
    };
    return chart;
}

void ChartPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) redraw();
}

void ChartPage::saveChart() {
    if (!data_) return;
    const auto output = context_.state.appDir / "output";
    QString chosen = context_.chooseFile(
        {this, "Save chart", QString::fromStdString(output.string()) + "/" + suggestedName_,
         "PNG pictures (*.png);;SVG drawings (*.svg)", true});
    if (chosen.isEmpty()) return;
    std::filesystem::path file(chosen.toStdString());
    if (!file.has_extension()) file += ".png";
    try {
        if (file.parent_path() == output) ensure_folder(output);
        chart::save_chart(*data_, style(), palette(), context_.state.regional, file);
        emit saved("Saved as " + QString::fromStdString(file.string()));
    } catch (const std::exception& e) {
        context_.message(this, chart::kSaveChartFailed + fromAnsi(e.what()));
    }
}

}  // namespace qdx::ui
