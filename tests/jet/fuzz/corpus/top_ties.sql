SELECT TOP 2 name, Count(*) FROM t GROUP BY name HAVING Count(*) > 0 ORDER BY Count(*) DESC
