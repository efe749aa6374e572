-- Version 2 to 3, SQLite: the deliveries not computed yet, with every column that a
-- selection or an invoice key reads, so that a computation counts its deliveries per
-- invoice and day from the index alone.
CREATE INDEX DELIVERY_ABERTA ON DELIVERY (CDFILIAL, CDCIA, DTDELIVERY, NRVOO, SGBASEORI,
    SGBASEDES, CDLOCAFATCIA, CDGRUPPROD, NRAPURACFAT) WHERE NRAPURACFAT IS NULL;
