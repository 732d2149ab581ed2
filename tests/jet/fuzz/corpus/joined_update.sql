UPDATE t INNER JOIN u ON t.id = u.id SET t.name = u.name & "!" WHERE u.d < #1/1/2030#
