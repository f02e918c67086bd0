// Employer registration form, sheet two: the supplementary sheet, with the
// second-level company read from its own row set and a signature block.
#include "reports/FormLayouts.h"
#include "reports/LayoutTables.h"

namespace reports::forms {
namespace {

constexpr const char* EJ = "ADOQuery_EJ";

constexpr TextRow kHeader[] = {
    title(2.1, 65.6, "社会保险补充登记表（表二）"),
    label(20.6, 0.0, "社会保险登记证编码："),
    field(21.2, 42.3, "SSN"),
};

constexpr TextRow kDetail[] = {
    label(3.7, 6.3, "单位名称"),
    label(3.7, 116.4, "组织机构代码"),
    field(4.2, 33.9, "NAME", 8),
    field(4.2, 146.1, "组织机构代码"),
    label(14.3, 2.1, "工商注册地址"),
    field(14.8, 33.9, "INCOREGADDR"),
    label(27.0, 6.3, "单位简称"),
    field(27.5, 33.9, "SHORTNAME"),
    label(38.4, 6.3, "经济类型"),
    field(38.9, 31.8, "经济类型", 8),
    field(38.9, 120.7, "社保登记机构", 8),
    label(39.7, 88.9, "社保登记机构"),
    field(50.0, 31.8, "单位类别", 8),
    field(50.0, 120.7, "登记证发证日期"),
    label(50.3, 6.3, "单位类别"),
    label(50.3, 88.9, "登记证发证日期"),
    field(62.7, 76.2, "是否中关村科技园区投资企业"),
    label(63.0, 6.3, "中关村科技园区投资企业标识"),
    field(73.3, 33.9, "行业系统"),
    label(73.8, 6.3, "行业系统"),
    field(86.0, 33.9, "行业性质"),
    label(86.5, 6.3, "行业性质"),
    field(98.7, 33.9, "行业代码"),
    label(99.2, 6.3, "行业代码"),
    label(109.8, 6.3, "二级公司社会保险登记证编码"),
    field(109.8, 72.0, "SUPERIORSSN"),
    label(122.5, 12.7, "二级公司组织机构代码"),
    otherField(122.5, 72.0, EJ, "ORGCODE"),
    label(133.1, 12.7, "二级公司名称"),
    otherField(133.1, 52.9, EJ, "NAME"),
    field(145.3, 52.9, "所属行政区名称"),
    label(145.8, 10.6, "所属行政区名称"),
    field(158.0, 52.9, "缴费地区"),
    label(158.5, 10.6, "缴费地区名称"),
    field(170.7, 52.9, "FAX"),
    label(171.2, 16.9, "单位传真"),
    field(181.2, 52.9, "URL"),
    label(181.8, 14.8, "单位网址"),
    field(191.8, 52.9, "EMAIL"),
    label(192.4, 8.5, "单位电子邮件地址"),
};

constexpr double W = kBandWidth;

// Sixteen rules across the full width: seventeen rows.
constexpr HLineRow kHLines[] = {
    {11.1, 0, W},  {22.5, 0, W},  {34.4, 0, W},  {46.3, 0, W},  {58.2, 0, W},  {70.1, 0, W},
    {82.0, 0, W},  {93.9, 0, W},  {105.8, 0, W}, {117.7, 0, W}, {129.6, 0, W}, {141.6, 0, W},
    {153.5, 0, W}, {165.4, 0, W}, {177.3, 0, W}, {189.2, 0, W},
};

constexpr VLineRow kVLines[] = {
    {30.2, 0, 58.2},                             // label column of the upper rows
    {30.2, 70.4, 106.1},  {114.8, 0.5, 11.1},    // organisation code cell in the first row
    {144.5, 0.5, 11.1},   {87.3, 34.4, 57.9},    // registration office and certificate date cells
    {119.1, 34.4, 57.9},  {70.4, 58.2, 70.1},    // the wide-label rows
    {70.4, 105.8, 129.1}, {49.2, 129.6, 200.8},  // label column of the lower rows
};

constexpr TextRow kFooter[] = {
    label(2.1, 2.1, "经办人（盖章）："),       label(2.1, 67.7, "社保中心（盖章）："),
    label(2.1, 129.1, "单位经办人（盖章）："), label(29.6, 21.2, "年    月    日"),
    label(29.6, 84.7, "年    月    日"),       label(29.6, 152.4, "年    月    日"),
};

}  // namespace

ReportDefinition employerSheet2() {
    ReportDefinition report;
    report.name = QStringLiteral("QuickRep2");
    report.title = kSheet2Title;
    report.rowSet = kEmployerRows;
    report.pageHeader =
        makeBand(QStringLiteral("TitleBand1"), BandKind::PageHeader, 26.2, FrameNone, kEmployerRows, kHeader);
    report.detail = makeBand(QStringLiteral("DetailBand2"), BandKind::Detail, 201.1, FrameAll, kEmployerRows,
                             kDetail, kHLines, kVLines);
    report.pageFooter = makeBand(QStringLiteral("PageFooterBand2"), BandKind::PageFooter, 44.5, FrameNone,
                                 kEmployerRows, kFooter);
    return report;
}

}  // namespace reports::forms
