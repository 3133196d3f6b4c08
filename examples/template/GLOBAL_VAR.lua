global_product_name = "Template"
