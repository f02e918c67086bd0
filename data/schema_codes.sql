-- Code tables: dictionaries that turn the codes stored in the register tables
-- into names. The program only reads them. Every table starts with CODE and
-- NAME (in that order; some rules read NAME by position); d_hos adds the short
-- name and the level of an institution. Rows come from codes/<table>.csv.
-- Table names are matched without regard to case, so a table spelt two ways
-- in the program (D_feeArea / D_FEEAREA) exists once.

-- Fee areas; the same table serves the reimbursement area. Every code has its registration authority in d_regorg.
CREATE TABLE D_feeArea (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_feeArea_CODE ON D_feeArea (CODE);

-- Social insurance registration authorities; CODE equals the fee area code (D_feeArea) they serve.
CREATE TABLE d_regorg (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(50) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=50)
);
CREATE INDEX idx_d_regorg_CODE ON d_regorg (CODE);

-- Administrative districts (GB/T 2260 codes of the city).
CREATE TABLE D_DISTRICT (
  CODE VARCHAR(6) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=6),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_DISTRICT_CODE ON D_DISTRICT (CODE);

-- Retiree pooling entitlement of an employer. The employer list reads only code '1', so both
-- names carry code '1'; the rules tell them apart by NAME.
CREATE TABLE D_CORPSRETFLAG (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(10) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=10)
);
CREATE INDEX idx_D_CORPSRETFLAG_CODE ON D_CORPSRETFLAG (CODE);

-- How an employer pays for its retirees; 1, 2 and 3 drive the fee rules of the person window.
CREATE TABLE D_CORPSRETFEETYPE (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_CORPSRETFEETYPE_CODE ON D_CORPSRETFEETYPE (CODE);

-- How a person's retiree pooling is paid (also spelt D_PSNSRETFEETYPE).
CREATE TABLE D_PsnSRetFeeType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_PsnSRetFeeType_CODE ON D_PsnSRetFeeType (CODE);

-- Economic types (registration types of enterprises).
CREATE TABLE D_Ecotype (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_Ecotype_CODE ON D_Ecotype (CODE);

-- Employer categories; the last one needs no organisation code.
CREATE TABLE D_DELEGATECORPTYPE (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_DELEGATECORPTYPE_CODE ON D_DELEGATECORPTYPE (CODE);

-- Industry systems.
CREATE TABLE D_trade (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_trade_CODE ON D_trade (CODE);

-- Industry natures (two-digit divisions of the national industry classification).
CREATE TABLE D_TradeProperty (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_TradeProperty_CODE ON D_TradeProperty (CODE);

-- Industry codes; the first two characters are the code of their industry nature (D_TradeProperty).
CREATE TABLE D_tradecode (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_tradecode_CODE ON D_tradecode (CODE);

-- Payment methods; 银行托收 is the default of a new employer.
CREATE TABLE D_feeMethod (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_feeMethod_CODE ON D_feeMethod (CODE);

-- Employer types; 企业 needs an economic type, only code 30 allows an administrative post.
CREATE TABLE D_CorpType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_CorpType_CODE ON D_CorpType (CODE);

-- Affiliation levels; codes are whole numbers and 1 to 4 are the levels above the district.
CREATE TABLE D_BELONG (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_BELONG_CODE ON D_BELONG (CODE);

-- Payment forms; code 2 独立 (independent) excludes a second-level company and is the default.
CREATE TABLE D_feeType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_feeType_CODE ON D_feeType (CODE);

-- Business licence types.
CREATE TABLE D_IncoLicenseType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_IncoLicenseType_CODE ON D_IncoLicenseType (CODE);

-- Banks. Codes have 6 characters; a shorter code ends in "&" (a typed short code gets "&" appended).
CREATE TABLE D_DEPUTYBANKNAME (
  CODE VARCHAR(10) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=10),
  NAME VARCHAR(50) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=50)
);
CREATE INDEX idx_D_DEPUTYBANKNAME_CODE ON D_DEPUTYBANKNAME (CODE);

-- Science-park investment enterprise flag; 否 is the default of a new employer.
CREATE TABLE D_ISZGC (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(10) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=10)
);
CREATE INDEX idx_D_ISZGC_CODE ON D_ISZGC (CODE);

-- Payment periods, stored in FEEPERIOD by NAME as 1, 3, 6, 12 months or the typed months.
CREATE TABLE D_FEEPERIOD (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(10) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=10)
);
CREATE INDEX idx_D_FEEPERIOD_CODE ON D_FEEPERIOD (CODE);

-- Sex (GB/T 2261.1); the ID number check chooses 男 or 女 by NAME.
CREATE TABLE D_SEX (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_SEX_CODE ON D_SEX (CODE);

-- Marital status (GB/T 2261.2).
CREATE TABLE D_MARRIAGE (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_MARRIAGE_CODE ON D_MARRIAGE (CODE);

-- Ethnic groups (GB 3304).
CREATE TABLE D_NATION (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_NATION_CODE ON D_NATION (CODE);

-- Education (GB/T 4658).
CREATE TABLE D_Education (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_Education_CODE ON D_Education (CODE);

-- Household registration types.
CREATE TABLE D_ResidentType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_ResidentType_CODE ON D_ResidentType (CODE);

-- Personal status (GB/T 2261.4).
CREATE TABLE D_PsnStatus (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_PsnStatus_CODE ON D_PsnStatus (CODE);

-- Administrative posts by level (GB/T 12407).
CREATE TABLE D_AdminDuty (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_AdminDuty_CODE ON D_AdminDuty (CODE);

-- Professional titles by grade.
CREATE TABLE D_SpecDuty (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_SpecDuty_CODE ON D_SpecDuty (CODE);

-- Worker technical grades (national vocational qualification levels).
CREATE TABLE D_TechLevel (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_TechLevel_CODE ON D_TechLevel (CODE);

-- Retirement categories; the person window offers code 1 only, 无 counts as none.
CREATE TABLE D_RetireType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_RetireType_CODE ON D_RetireType (CODE);

-- Contributor categories; 14 离休人员 and 17 离休非缴费人员 drive the fee rules.
CREATE TABLE D_FeePsnType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_FeePsnType_CODE ON D_FeePsnType (CODE);

-- Medical insurance categories; 27, 31 and 49 are the ones the fee rules offer.
CREATE TABLE D_MedPsnType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(30) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=30)
);
CREATE INDEX idx_D_MedPsnType_CODE ON D_MedPsnType (CODE);

-- Payment method of persons with entrusted files (list shown disabled).
CREATE TABLE D_PsnDeleFeeType (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_PsnDeleFeeType_CODE ON D_PsnDeleFeeType (CODE);

-- Benefit payment forms (not used by the windows).
CREATE TABLE D_DEALDELIVERTYPE (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_DEALDELIVERTYPE_CODE ON D_DEALDELIVERTYPE (CODE);

-- Personal account management states (list shown disabled).
CREATE TABLE D_PsnAcctManageState (
  CODE VARCHAR(4) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=4),
  NAME VARCHAR(20) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=20)
);
CREATE INDEX idx_D_PsnAcctManageState_CODE ON D_PsnAcctManageState (CODE);

-- Designated medical institutions: 8-character code, full name (searched with like),
-- short name (shown beside a code) and level. Code: fee area, kind, serial.
CREATE TABLE d_hos (
  CODE VARCHAR(8) NOT NULL CHECK (typeof(CODE)='text' AND length(CODE)<=8),
  NAME VARCHAR(100) NOT NULL CHECK (typeof(NAME)='text' AND length(NAME)<=100),
  SHORT_NAME VARCHAR(40) CHECK (SHORT_NAME IS NULL OR (typeof(SHORT_NAME)='text' AND length(SHORT_NAME)<=40)),
  HOS_LEVEL VARCHAR(20) CHECK (HOS_LEVEL IS NULL OR (typeof(HOS_LEVEL)='text' AND length(HOS_LEVEL)<=20))
);
CREATE INDEX idx_d_hos_CODE ON d_hos (CODE);
