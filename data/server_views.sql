-- The two stored queries behind the printed forms, in a server register
-- (PostgreSQL): the same columns and rows as views.sql gives in a working
-- database, so the forms print the same. The report module filters them on
-- SSN or IDCARD and reads the 67th column of cop_print1 (SUPERIORSSN) by
-- position: c.* must stay first. c.* and p.* end with the server's
-- row_version, after the 67 and 42 register columns.
--
-- The server keeps no row order of its own, so "the first row with the code"
-- is the one with the lowest row_id, the rowid of the working database the
-- rows came from (code tables load in file order). Codes compare exactly, as
-- in views.sql.

-- One row per employer: its 67 columns, then the texts of the employer form.
CREATE VIEW cop_print1 AS
SELECT
  c.*,
  c.ORGCODE AS "组织机构代码",
  (SELECT t.NAME FROM D_Ecotype t WHERE t.CODE = c.ECOTYPE ORDER BY t.row_id LIMIT 1) AS "经济类型",
  (SELECT t.NAME FROM d_regorg t WHERE t.CODE = c.SSREGORG ORDER BY t.row_id LIMIT 1) AS "社保登记机构",
  (SELECT t.NAME FROM D_DELEGATECORPTYPE t WHERE t.CODE = c.DELEGATECORPTYPE ORDER BY t.row_id LIMIT 1) AS "单位类别",
  c.LICENSEDDATE AS "登记证发证日期",
  (SELECT t.NAME FROM D_ISZGC t WHERE t.CODE = c.ZGCCORP ORDER BY t.row_id LIMIT 1) AS "是否中关村科技园区投资企业",
  (SELECT t.NAME FROM D_trade t WHERE t.CODE = c.TRADE ORDER BY t.row_id LIMIT 1) AS "行业系统",
  (SELECT t.NAME FROM D_TradeProperty t WHERE t.CODE = c.TRADEPROPERTY ORDER BY t.row_id LIMIT 1) AS "行业性质",
  (SELECT t.NAME FROM D_tradecode t WHERE t.CODE = c.TRADECODE ORDER BY t.row_id LIMIT 1) AS "行业代码",
  (SELECT t.NAME FROM D_DISTRICT t WHERE t.CODE = c.DISTRICTCODE ORDER BY t.row_id LIMIT 1) AS "所属行政区名称",
  (SELECT t.NAME FROM D_feeArea t WHERE t.CODE = c.FEEAREACODE ORDER BY t.row_id LIMIT 1) AS "缴费地区",
  (SELECT t.NAME FROM D_IncoLicenseType t WHERE t.CODE = c.INCOLICENSETYPE ORDER BY t.row_id LIMIT 1) AS "工商登记执照种类",
  c.INCOLICENSENO AS "工商登记执照号码",
  c.INCOLICENSEDATE AS "工商登记发照日期",
  c.INCOLICENSEUSEFULLIFE AS "工商登记有效期限",
  c.APPROVECORP AS "批准成立单位",
  c.APPROVEDATE AS "批准日期",
  c.APPROVEFILENO AS "批准文号",
  c.DELEGATENAME AS "法定代表人姓名",
  c.DELEGATEIDNO AS "法定代表人公民身份号码",
  c.DELEGATETEL AS "法定代表人电话",
  c.FEEMANAGER AS "缴费单位专管员姓名",
  c.FEEMANAGERDEPT AS "缴费单位专管员所在部门",
  c.FEEMANAGERTEL AS "缴费单位专管员电话",
  (SELECT t.NAME FROM D_BELONG t WHERE t.CODE = c.BELONG ORDER BY t.row_id LIMIT 1) AS "隶属关系",
  c.SUPERIOR AS "主管部门或总机构",
  c.FEEBANK AS "缴费开户银行行号",
  c.FEEBANKACCNAME AS "缴费银行户名",
  c.FEEBANKACCOUNT AS "缴费银行基本帐号",
  (SELECT t.NAME FROM D_DEPUTYBANKNAME t WHERE t.CODE = c.FEEBANK ORDER BY t.row_id LIMIT 1) AS "缴费开户银行名称",
  (SELECT t.NAME FROM D_CorpType t WHERE t.CODE = c.CORPTYPE ORDER BY t.row_id LIMIT 1) AS "单位类型"
FROM M_CORPORATION c;

-- One row per person: its 42 columns, then the texts of the person form. The
-- institutions come from the person's first institution row (lowest row_id),
-- shown by their short name as in the person window, or by the full name when
-- an institution has no short name.
CREATE VIEW person_print AS
SELECT
  p.*,
  (SELECT t.NAME FROM D_SEX t WHERE t.CODE = p.SEX ORDER BY t.row_id LIMIT 1) AS "性别",
  (SELECT t.NAME FROM D_NATION t WHERE t.CODE = p.NATION ORDER BY t.row_id LIMIT 1) AS "民族",
  (SELECT t.NAME FROM D_FeePsnType t WHERE t.CODE = p.FEEPSNTYPE ORDER BY t.row_id LIMIT 1) AS "缴费人员类别",
  (SELECT t.NAME FROM D_MedPsnType t WHERE t.CODE = p.MEDPSNTYPE ORDER BY t.row_id LIMIT 1) AS "医疗参保人员类别",
  p.HOMEPLACE AS "出生地",
  (SELECT t.NAME FROM D_MARRIAGE t WHERE t.CODE = p.MARRIAGE ORDER BY t.row_id LIMIT 1) AS "婚姻状况",
  (SELECT t.NAME FROM D_ResidentType t WHERE t.CODE = p.RESIDENTTYPE ORDER BY t.row_id LIMIT 1) AS "户口性质",
  (SELECT t.NAME FROM D_Education t WHERE t.CODE = p.EDUCATION ORDER BY t.row_id LIMIT 1) AS "文化程度",
  (SELECT t.NAME FROM D_PsnStatus t WHERE t.CODE = p.PSNSTATUS ORDER BY t.row_id LIMIT 1) AS "个人身份",
  (SELECT t.NAME FROM D_AdminDuty t WHERE t.CODE = p.ADMINDUTY ORDER BY t.row_id LIMIT 1) AS "行政职务",
  (SELECT t.NAME FROM D_SpecDuty t WHERE t.CODE = p.SPECDUTY ORDER BY t.row_id LIMIT 1) AS "专业技术职称",
  (SELECT t.NAME FROM D_TechLevel t WHERE t.CODE = p.TECHLEVEL ORDER BY t.row_id LIMIT 1) AS "工人技术等级",
  (SELECT t.NAME FROM D_RetireType t WHERE t.CODE = p.RETIRETYPE ORDER BY t.row_id LIMIT 1) AS "离退休类别",
  (SELECT coalesce(nullif(h.SHORT_NAME, ''), h.NAME) FROM d_hos h WHERE h.CODE = a.HOSP_1 ORDER BY h.row_id LIMIT 1) AS "定点医疗机构1",
  (SELECT coalesce(nullif(h.SHORT_NAME, ''), h.NAME) FROM d_hos h WHERE h.CODE = a.HOSP_2 ORDER BY h.row_id LIMIT 1) AS "定点医疗机构2",
  (SELECT coalesce(nullif(h.SHORT_NAME, ''), h.NAME) FROM d_hos h WHERE h.CODE = a.HOSP_3 ORDER BY h.row_id LIMIT 1) AS "定点医疗机构3",
  (SELECT coalesce(nullif(h.SHORT_NAME, ''), h.NAME) FROM d_hos h WHERE h.CODE = a.HOSP_4 ORDER BY h.row_id LIMIT 1) AS "定点医疗机构4",
  (SELECT coalesce(nullif(h.SHORT_NAME, ''), h.NAME) FROM d_hos h WHERE h.CODE = a.HOSP_5 ORDER BY h.row_id LIMIT 1) AS "定点医疗机构5"
FROM M_PERSON p
LEFT JOIN M_PSNAPPOINTEDHOSPITAL a
  ON a.row_id = (SELECT min(x.row_id) FROM M_PSNAPPOINTEDHOSPITAL x WHERE x.PSNSN = p.PSNSN);
