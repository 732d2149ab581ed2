PARAMETERS [Start Date] DateTime, [n] Short; SELECT id FROM t WHERE d >= [Start Date] AND n > [n] AND name = [Who?]
