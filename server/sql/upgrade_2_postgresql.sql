-- Version 1 to 2, PostgreSQL: who registered and who cancelled each computation, and when,
-- and an index for the check before a computation starts. Computations registered before
-- keep an empty user: nobody recorded one.
ALTER TABLE CTRLAPURFAT
    ADD COLUMN CDUSUARIO VARCHAR(30) NOT NULL DEFAULT '',
    ADD COLUMN DTHRCANCEL TIMESTAMP(0),
    ADD COLUMN CDUSUCANC VARCHAR(30);

-- A computation checks its selection for deliveries without a billing number before it
-- starts; without this it reads every delivery of the period to find none.
CREATE INDEX DELIVERY_SEM_FATURAMENTO ON DELIVERY (CDFILIAL, CDCIA, DTDELIVERY)
    WHERE NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '';
