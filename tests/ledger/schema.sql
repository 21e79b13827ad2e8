-- The ledger tables the program reads and writes, as a test ledger holds them.
-- @TIMESTAMP@ is the date-time column type of the backend (datetime on SQLite and on
-- Microsoft SQL Server, timestamp on PostgreSQL); everything else is the same text.

CREATE TABLE PoslDog (
  PoslDog varchar(10) NOT NULL PRIMARY KEY,
  Naziv varchar(40),
  Tip varchar(3),
  Vrsta varchar(1)
);

CREATE TABLE ODDEL (
  UserID varchar(10) NOT NULL PRIMARY KEY,
  Delavec varchar(40)
);

CREATE TABLE Teme (
  Kljuc varchar(20) NOT NULL PRIMARY KEY,
  PoslDog varchar(10),
  Datum @TIMESTAMP@,
  Referent varchar(10),
  UserZap varchar(10),
  UserSpre varchar(10)
);

CREATE TABLE TemePoz (
  Kljuc varchar(20) NOT NULL,
  Poz integer NOT NULL,
  Konto varchar(10),
  ProtiKonto varchar(10),
  Subjekt varchar(40),
  Oddelek varchar(40),
  Dokument varchar(20),
  VezniDok varchar(20),
  VKljuc varchar(10),
  DokumentTuj varchar(20),
  DatumDok @TIMESTAMP@,
  DatumDDV @TIMESTAMP@,
  DatumVal @TIMESTAMP@,
  Opomba varchar(40),
  UserZap varchar(10),
  UserSpre varchar(10),
  Valuta varchar(3),
  Debet numeric(18,4),
  ValDebet numeric(18,4),
  Kredit numeric(18,4),
  ValKredit numeric(18,4),
  PRIMARY KEY (Kljuc, Poz)
);

CREATE TABLE Subjekt (
  Naziv varchar(40),
  Naziv2 varchar(40),
  MaticnaStev varchar(20),
  VrstSubj varchar(1),
  Valuta varchar(3),
  DobValuta varchar(3)
);

-- The subject look-up searches Naziv2 for every posting line.
CREATE INDEX Subjekt_Naziv2 ON Subjekt (Naziv2);
