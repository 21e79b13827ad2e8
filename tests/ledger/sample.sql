-- Sample ledger content: business events, clerks, a few journals with lines, subjects.
-- Kept in UTF-8 here; loaders convert it to Windows-1250 first.

INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('10', 'Temeljnica glavne knjige', 'TG', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('12', 'Izdani računi – domači', 'IR', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('13', 'Prejeti računi – domači', 'PR', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('20', 'Blagajniški prejemki', 'BP', 'B');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('21', 'Blagajniški izdatki', 'BI', 'B');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('KA', 'Knjižbe iz analitike', 'TG', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('KO', 'Kompenzacije', 'KO', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('OS', 'Obračun amortizacije', 'OS', 'O');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('PL', 'Obračun plač', 'PL', 'K');
INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('ZA', 'Zaloge – prevrednotenje', 'ZA', 'Z');

INSERT INTO ODDEL (UserID, Delavec) VALUES ('01', 'Ana Kovač');
INSERT INTO ODDEL (UserID, Delavec) VALUES ('02', 'Bojan Žagar');
INSERT INTO ODDEL (UserID, Delavec) VALUES ('05', 'Črtomir Šuštar');
INSERT INTO ODDEL (UserID, Delavec) VALUES ('07', 'Mojca Horvat');
INSERT INTO ODDEL (UserID, Delavec) VALUES ('11', 'Tjaša Zupančič');

INSERT INTO Teme (Kljuc, PoslDog, Datum, Referent, UserZap, UserSpre) VALUES ('26KA00001', 'KA', '2026-10-31 00:00:00', '07', '07', '07');
INSERT INTO Teme (Kljuc, PoslDog, Datum, Referent, UserZap, UserSpre) VALUES ('26KA00002', 'KA', '2026-11-30 00:00:00', '07', '07', '07');
INSERT INTO Teme (Kljuc, PoslDog, Datum, Referent, UserZap, UserSpre) VALUES ('261200001', '12', '2026-11-15 00:00:00', '01', '01', '01');

INSERT INTO TemePoz (Kljuc, Poz, Konto, ProtiKonto, Subjekt, Oddelek, Dokument, VezniDok, VKljuc, DokumentTuj, DatumDok, DatumDDV, DatumVal, Opomba, UserZap, UserSpre, Valuta, Debet, ValDebet, Kredit, ValKredit)
  VALUES ('26KA00001', 1, '1200', '7600', 'Mercator d.d.', 'Uprava', '501', '501', 'RDIR1', '501', '2026-10-20 00:00:00', '2026-10-20 00:00:00', '2026-11-19 00:00:00', 'Račun 501', '07', '07', 'SIT', 1500.0000, 1500.0000, 0, 0);
INSERT INTO TemePoz (Kljuc, Poz, Konto, ProtiKonto, Subjekt, Oddelek, Dokument, VezniDok, VKljuc, DokumentTuj, DatumDok, DatumDDV, DatumVal, Opomba, UserZap, UserSpre, Valuta, Debet, ValDebet, Kredit, ValKredit)
  VALUES ('26KA00001', 2, '7600', '1200', 'Mercator d.d.', 'Uprava', '501', '501', 'RKIR1', '501', '2026-10-20 00:00:00', '2026-10-20 00:00:00', '2026-11-19 00:00:00', 'Račun 501', '07', '07', 'SIT', 0, 0, 1500.0000, 1500.0000);

INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Mercator d.d.', 'P001', '5300231', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Petrol d.d.', 'P002', '5025796', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Krka d.d., Novo mesto', 'P003', '5043611', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Gorenje d.o.o.', 'P004', '5163676', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Uprava', '100', '100', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Prodaja', '200', '200', 'P', 'SIT', 'SIT');
INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) VALUES ('Skladišče Šiška', '300', '300', 'P', 'SIT', 'SIT');
