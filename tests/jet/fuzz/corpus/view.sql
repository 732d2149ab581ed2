CREATE VIEW v (a, b) AS SELECT name, n FROM t WHERE y = True
